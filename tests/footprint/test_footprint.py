"""The size limits: the Windows executable within 256 KiB, a native run within 4 MiB resident."""
import shutil

import pytest


def test_exe_size(build_dir):
    if (build_dir / "mailto").exists():
        pytest.skip("a native build: it makes no mailto.exe")
    size = (build_dir / "mailto.exe").stat().st_size
    assert size <= 256 * 1024, f"mailto.exe is {size} bytes"


def test_peak_memory(native):
    time = shutil.which("time", path="/usr/bin:/bin")
    if time is None:
        pytest.skip("GNU time is not installed (tests/install.sh installs it)")
    # The opener stays, so the program gives up waiting for it and never reaps it: the peak GNU time
    # reports (the kernel's, over the program and the children it reaped) is then the program's,
    # or that of GNU time's own small image before it started the program, never the opener's.
    native.stand_in("xdg-open", hold=True)
    peak = native.work / "peak"
    result = native.run("someone@example.com", "Footprint", before=[time, "-f", "%M", "-o", peak])
    assert (result.status, result.err, result.opened) == (
        0, b"", [[b"mailto:someone@example.com?subject=Footprint"]])
    assert 0 < int(peak.read_text().split()[-1]) <= 4096, f"peak {peak.read_text()} KiB"

"""The size limits: the Windows executable within 256 KiB, a native run within 4 MiB resident."""
import shutil

import pytest


def test_exe_size(build_dir):
    size = (build_dir / "mailto.exe").stat().st_size
    assert size <= 256 * 1024, f"mailto.exe is {size} bytes"


def test_peak_memory(native):
    time = shutil.which("time", path="/usr/bin:/bin")
    if time is None:
        pytest.skip("GNU time is not installed (tests/install.sh installs it)")
    # The opener stays, so mailto never reaps it: GNU time's peak (the kernel's, over the program and
    # the children it reaped) is mailto's or GNU time's own small image's, never the opener's.
    native.stand_in("xdg-open", hold=True)
    peak = native.work / "peak"
    result = native.run("someone@example.com", "Footprint", before=[time, "-f", "%M", "-o", peak])
    assert (result.status, result.err, result.opened) == (
        0, b"", [[b"mailto:someone@example.com?subject=Footprint"]])
    assert 0 < int(peak.read_text().split()[-1]) <= 4096, f"peak {peak.read_text()} KiB"

"""An ordinary run of the native program stays within 4 MiB of resident memory: its own peak."""
import shutil

import pytest

LIMIT_KIB = 4096


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
    assert 0 < int(peak.read_text().split()[-1]) <= LIMIT_KIB, f"peak {peak.read_text()} KiB"

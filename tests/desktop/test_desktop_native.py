"""The native mailto on the real desktop: Sylpheed composes the message the arguments ask for."""
import subprocess
from itertools import pairwise

import pytest
from parts.desktop import BYTE_ROWS, processes


def opener_running(address):
    return any(a.endswith(b"/xdg-open") and b.startswith(b"mailto:%s?" % address.encode())
               for _, _, argv, _ in processes() for a, b in pairwise(argv.split(b"\0")))


# The first row starts Sylpheed cold, the others find it running but the last, which ends it first.
@pytest.mark.parametrize("argument,subject,cc,body", BYTE_ROWS + [
    pytest.param("Captured", "Captured", "", "", id="cold_again")])
def test_compose(desktop, build_dir, request, argument, subject, cc, body):
    address = request.node.callspec.id + "@example.org"
    if request.node.callspec.id == "cold_again":
        desktop.stop_sylpheed()
    cold = not desktop.sylpheed_pids()
    with subprocess.Popen([build_dir / "mailto", address, argument], cwd="/", env=desktop.env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT) as mailto:
        try:
            got = desktop.compose(subject)
            # As $(mailto ... 2>&1) sees it: the output ends with mailto, not with what it started.
            assert (mailto.communicate(timeout=60), mailto.returncode) == ((b"", None), 0)
        finally:
            mailto.kill()
    assert got == {"To": address, "Cc": cc, "Subject": subject, "body": body}
    assert desktop.sylpheed_pids(), "Sylpheed did not stay open"
    # Cold, xdg-open stays in the foreground with Sylpheed: mailto leaves it running once its
    # patience runs out. Warm, xdg-open hands the request over and ends, and so does mailto.
    assert opener_running(address) == cold, "cold: xdg-open ended" if cold else "warm: it stayed"

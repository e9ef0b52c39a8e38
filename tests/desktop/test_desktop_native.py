"""The native mailto on the real desktop: Sylpheed composes the message the arguments ask for, and
a caller capturing mailto's output gets it back while Sylpheed stays open."""
import pathlib
import subprocess

import pytest
from parts.desktop import BYTE_ROWS


def opener_running(address):
    """Whether an xdg-open is running on a request to the address."""
    for cmdline in pathlib.Path("/proc").glob("[0-9]*/cmdline"):
        try:
            args = cmdline.read_bytes().split(b"\0")
        except OSError:
            continue
        if any(a.endswith(b"/xdg-open") and b.startswith(b"mailto:%s?" % address.encode())
               for a, b in zip(args, args[1:])):
            return True
    return False


def start(build_dir, desktop, address, argument, out):
    return subprocess.Popen([build_dir / "mailto", address, argument], cwd="/", env=desktop.env,
                            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)


# The first row starts Sylpheed cold, the others find it running.
@pytest.mark.parametrize("argument,subject,cc,body", BYTE_ROWS + [
    pytest.param("Grüße`1aus`1Köln", "Grüße aus Köln", "", "", id="utf8")])
def test_compose(desktop, build_dir, tmp_path, request, argument, subject, cc, body):
    address = request.node.name.split("[")[1].rstrip("]") + "@example.org"
    cold = not desktop.sylpheed_pids()
    with open(tmp_path / "out", "wb") as out, start(build_dir, desktop, address, argument,
                                                    out) as mailto:
        try:
            got = desktop.compose(subject)
            assert mailto.wait(timeout=60) == 0
        finally:
            mailto.kill()
    assert (got, (tmp_path / "out").read_bytes()) == (
        {"To": address, "Cc": cc, "Subject": subject, "body": body}, b"")
    # Cold, xdg-open stays in the foreground with Sylpheed: mailto leaves it running once its
    # patience runs out. Warm, xdg-open hands the request over and ends, and so does mailto.
    assert opener_running(address) == cold, "cold: xdg-open ended" if cold else "warm: it stayed"


def test_capture_returns_while_sylpheed_stays(desktop, build_dir):
    """$(mailto ... 2>&1) returns once mailto has exited, though xdg-open and Sylpheed, started
    by it, go on running."""
    desktop.stop_sylpheed()
    with start(build_dir, desktop, "capture@example.org", "Captured", subprocess.PIPE) as mailto:
        try:
            assert desktop.compose("Captured") == {"To": "capture@example.org", "Cc": "",
                                                   "Subject": "Captured", "body": ""}
            assert mailto.communicate(timeout=30) == (b"", None)
            assert mailto.returncode == 0 and desktop.sylpheed_pids(), "Sylpheed stays open"
        finally:
            mailto.kill()
            desktop.stop_sylpheed()

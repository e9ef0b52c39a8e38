"""The native mailto on the real desktop: Sylpheed, then Claws Mail, composes the message the
arguments ask for."""
import subprocess
from itertools import pairwise

import pytest
from parts.desktop import BYTE_ROWS, CLIENTS, processes, read_by


def opener_running(address):
    return any(a.endswith(b"/xdg-open") and b.startswith(b"mailto:%s?" % address.encode())
               for _, _, argv, _ in processes() for a, b in pairwise(argv.split(b"\0")))


# For each mail program, the first row starts it cold, the others find it running but the last,
# which ends it first.
@pytest.mark.parametrize("argument,subject,cc,body", BYTE_ROWS + [
    pytest.param("Captured", "Captured", "", "", id="cold_again")])
@pytest.mark.parametrize("mail_client", CLIENTS, scope="session")
def test_compose(desktop, build_dir, request, argument, subject, cc, body):
    row = request.node.callspec.id.rsplit("-", 1)[1]
    address, subject = row + "@example.org", read_by(desktop.client, subject)
    if row == "cold_again":
        desktop.stop_client()
    cold = not desktop.client_pids()
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
    assert desktop.client_pids(), "the mail program did not stay open"
    # Cold, xdg-open stays in the foreground with the mail program: mailto leaves it running once
    # its patience runs out. Warm, xdg-open hands the request over and ends, and so does mailto.
    assert opener_running(address) == cold, "cold: xdg-open ended" if cold else "warm: it stayed"

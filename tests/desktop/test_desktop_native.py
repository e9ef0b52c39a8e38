"""The native mailto on the real desktop: Sylpheed, then Claws Mail, composes the message the
arguments ask for."""
import subprocess
from itertools import pairwise

import pytest
from parts.desktop import BYTE_ROWS, CLIENTS, Composed, draft
from parts.waiting import processes


def opener_running(address):
    return any(a.endswith(b"/xdg-open") and b.startswith(b"mailto:%s?" % address.encode())
               for _, _, argv, _ in processes() for a, b in pairwise(argv.split(b"\0")))


# For each mail program, the first row starts it cold, the others find it running but the last,
# which ends it first.
@pytest.mark.parametrize("row", BYTE_ROWS + [
    pytest.param(Composed("Captured", "Captured"), id="cold_again")])
@pytest.mark.parametrize("mail_client", [pytest.param(c, id=c) for c in CLIENTS], scope="session")
def test_compose(desktop, build_dir, request, row):
    name = request.node.callspec.id.rsplit("-", 1)[1]
    address = name + "@example.org"
    want = draft(desktop.client, address, row)
    if name == "cold_again":
        desktop.stop_client()
    cold = not desktop.client_pids()
    with subprocess.Popen([build_dir / "mailto", address, row.argument], cwd="/", env=desktop.env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT) as mailto:
        try:
            got = desktop.compose(want["Subject"])
            # As $(mailto ... 2>&1) sees it: the output ends with mailto, not with what it started.
            assert (mailto.communicate(timeout=60), mailto.returncode) == ((b"", None), 0)
        finally:
            mailto.kill()
    assert got == want
    assert desktop.client_pids(), "the mail program did not stay open"
    # Cold, xdg-open stays in the foreground with the mail program: mailto leaves it running once
    # its patience runs out. Warm, xdg-open hands the request over and ends, and so does mailto.
    assert opener_running(address) == cold, "cold: xdg-open ended" if cold else "warm: it stayed"

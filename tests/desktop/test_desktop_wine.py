"""mailto.exe under Wine on the real desktop: Wine's own "mailto:" handler hands the request to the
host's xdg-open and so to Sylpheed, which composes the message the command line asks for."""
import shutil

import pytest
from parts.desktop import BYTE_ROWS, draft
from parts.wine import Wine, booted


@pytest.fixture(scope="session")
def desktop_wine(build_dir, display, desktop, tmp_path_factory):
    """A Wine session started as the desktop's user: Wine finds its server through TMPDIR, and
    Sylpheed its running instance, so both must see the desktop's from the start."""
    session = Wine(build_dir, display, tmp_path_factory.mktemp("wine"))
    session.env.update((k, v) for k, v in desktop.env.items()
                       if k in ("HOME", "TMPDIR") or k.startswith("XDG_"))
    with booted(session):
        shutil.copy(session.exe("mailto"), session.drive_c / "t/mailto.exe")
        yield session


# winebrowser percent-encodes the request (a blank becomes %20) and leaves valid %XX escapes, "&",
# "+", "#" and "?" alone: transparent for these rows. A "%" that starts no valid escape makes it
# take the request for a web address, so no row has one. The first row starts Sylpheed cold.
@pytest.mark.parametrize("row", BYTE_ROWS)
def test_compose(desktop_wine, desktop, request, row):
    address = request.node.callspec.id + "@example.org"
    want = draft(desktop.client, address, row)
    # The Unix side (winebrowser, xdg-open, Sylpheed) reads UTF-8; Wine's code page stays 1252.
    run = desktop_wine.run(f"mailto.exe {address} {row.argument}".encode("cp1252"), handler="wine",
                           env={"LC_ALL": "C.UTF-8"}, timeout=60)
    assert (run.status, run.boxes) == (0, [])
    assert desktop.compose(want["Subject"]) == want
    assert desktop.client_pids(), "Sylpheed did not stay open"

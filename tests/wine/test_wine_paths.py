"""mailto.exe under Wine run from paths whose bytes hold a "\\" inside a character, under code page
932 (from a Japanese locale; the program learns its lead bytes from the system) and 1252 (C.UTF-8,
which keeps Unix names in UTF-8): it must enter its own folder and read its own settings file, and
a name it cannot represent must not make a wildcard of that file's name."""
import pytest

from parts.relay_calls import DESTROYED, OWNER_WINDOW, entered, setting
from parts.relay_calls import request as shell_request
from parts.wine import DOUBLE_BYTE_NAMES, write_ini

FIRST, SECOND = DOUBLE_BYTE_NAMES
CODE_PAGES = {"ja_JP.UTF-8": "cp932", "C.UTF-8": "cp1252"}

# mailto.exe as <folder>\<name>: folder under C: and name (Unix names), locale. Its own settings
# file holds the address <id>@example.com, a shared one in the folder above another: own one wins.
PROGRAMS = [
    # A byte-wise search would take the 5C inside the name's first character (95 5C; then E0 5C,
    # from the second lead range) for the last "\" and enter a folder ending in a lone lead byte.
    pytest.param("t/" + FIRST, FIRST + ".exe", "ja_JP.UTF-8",
                 id="double_byte_program_path"),
    pytest.param("t/" + SECOND, SECOND + ".exe", "ja_JP.UTF-8",
                 id="double_byte_second_lead_range"),
    # The path counts 157 characters (Windows' limit counts characters) but 297 bytes: the whole
    # of it, not its first 260 bytes, names the program's folder.
    pytest.param("J/" + "\u3042" * 80 + "/" + "\u3044" * 60, "mailto.exe", "ja_JP.UTF-8",
                 id="long_double_byte_path"),
    # Under 1252 every "\" separates: the byte 95 before one makes no character with it.
    pytest.param("t/a\u2022", "mailto.exe", "C.UTF-8", id="single_byte_program_path"),
]


@pytest.mark.parametrize("folder, name, locale", PROGRAMS)
def test_program_path(wine, request, folder, name, locale):
    address = request.node.callspec.id + "@example.com"
    folder_bytes = ("C:\\%s\\" % folder.replace("/", "\\")).encode(CODE_PAGES[locale])
    name_bytes = name.encode(CODE_PAGES[locale])
    unix = wine.install(wine.drive_c / folder, name)
    write_ini(unix / (name[:-4] + ".ini"), "[EMAIL]\nAddress=" + address)
    write_ini(unix.parent / "VANTIK.INI", "[EMAIL]\nAddress=shared@example.com")
    run = wine.run(b'"' + folder_bytes + name_bytes + b'"', env=wine.locale(locale), relay=True)
    (unix.parent / "VANTIK.INI").unlink()
    ini = folder_bytes + name_bytes[:-4] + b".ini"
    # Past some 290 bytes the trace cuts strings: the request shows the folder taken.
    run.check(target=address.encode(), calls=None if len(folder_bytes) >= 100 else
              entered(folder_bytes) + setting("Address", ini, ini, "FOUND", len(address)) +
              OWNER_WINDOW + setting("Subject", ini, ini, "FOUND", 0) +
              [shell_request(address.encode(), "OPENED")] + DESTROYED)


# A program name the code page lacks (почта.exe under 1252) reads back as "?????.exe": its own file
# "?????.ini" must not be taken as a search that any five-letter name matches (setup.ini), so the
# shared file in its folder gives the address.
def test_wildcards_never_name_own_settings(wine):
    unix = wine.install(wine.drive_c / "t/wc", "\u043f\u043e\u0447\u0442\u0430.exe")
    write_ini(unix / "setup.ini", "[EMAIL]\nAddress=setup@example.com")
    write_ini(unix / "VANTIK.INI", "[EMAIL]\nAddress=shared@example.com")
    run = wine.run(b"mailto", application="C:\\t\\wc\\\u043f\u043e\u0447\u0442\u0430.exe",
                   env={"LC_ALL": "C.UTF-8"})
    run.check(target=b"shared@example.com")

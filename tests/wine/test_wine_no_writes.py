"""mailto.exe under Wine changes no file of the prefix and no registry entry beyond what Wine does
for any program; the server is stopped around each run so that it has saved all it holds."""
import os
import re
from typing import NamedTuple, Optional

import pytest

from parts.messages import NO_ADDRESS
from parts.wine import APP, PROGRAM, write_ini

SETTINGS = "[EMAIL]\nAddress=set@example.com\nSubject=Set\nError=Not sent"
# What Wine's debugger writes when some process crashes and it starts.
DEBUGGER_KEYS = re.compile(r"\[(Console|Software\\\\Wine\\\\WineDbg)[\]\\]")


def listing(wine):
    """Each file and folder of the prefix with its size and time, but the recording handler's."""
    seen, rec = {}, str(wine.drive_c / "rec")
    for folder, folders, files in os.walk(wine.prefix):
        folders[:] = [name for name in folders if os.path.join(folder, name) != rec]
        for path in (os.path.join(folder, name) for name in folders + files):
            seen[path] = (os.lstat(path).st_size, os.lstat(path).st_mtime_ns)
    return seen


def registry(wine):
    """The saved registry's keys, values and "#time=" lines, each led by its file and key."""
    entries = set()
    for file in ("system.reg", "user.reg", "userdef.reg"):
        key = ""
        for line in (wine.prefix / file).read_text("latin-1").replace("\\\n", "").splitlines():
            if line.startswith("["):
                key = re.sub(r"\] \d+$", "]", line)
                entries.add("%s %s" % (file, key))
            elif line and not line.startswith(";"):
                entries.add("%s %s %s" % (file, key, line))
    return entries


def changes(wine, line, **run_options):
    """Runs line; returns the run, the paths and the registry entries (up to "=") it changed."""
    wine.stop()
    files, keys = listing(wine), registry(wine)
    run = wine.run(line, hold=False, **run_options)
    wine.stop()
    after = listing(wine)
    paths = {p for p in set(files) | set(after) if files.get(p) != after.get(p)}
    named = {re.sub(r'^([^ ]+ \[.*\] ("([^"\\]|\\.)*"|@|#time)=).*', r"\1", e)
             for e in keys ^ registry(wine)}
    return run, paths, named


@pytest.fixture(scope="module")
def baseline(wine):
    """What Wine itself changes for a run of the recording handler (it writes only in C:\\rec)."""
    wine.install(wine.drive_c / APP)
    # The first run after the prefix was made writes more, once.
    changes(wine, b'"C:\\rec\\recorder.exe"')
    run, paths, named = changes(wine, b'"C:\\rec\\recorder.exe"')
    assert run.status == 0, run
    return paths, named


class Case(NamedTuple):
    """The settings file, the command line after the program, the box text shown (None: none),
    and the request (None: no handler)."""
    settings: str
    arguments: bytes
    shown: Optional[bytes]
    target: Optional[bytes]


CASES = [
    pytest.param(Case(SETTINGS, b" to@example.com Hi", None, b"to@example.com?subject=Hi"),
                 id="command_line_opened"),
    pytest.param(Case(SETTINGS, b"", None, b"set@example.com?subject=Set"), id="settings_opened"),
    pytest.param(Case(SETTINGS, b" to@example.com Hi /error=Failed",
                      b"Failed\r\n\rto@example.com?subject=Hi", None), id="command_line_failed"),
    pytest.param(Case(SETTINGS, b"", b"Not sent\r\n\rset@example.com?subject=Set", None),
                 id="settings_failed"),
    pytest.param(Case("[EMAIL]\nSubject=no address", b"", NO_ADDRESS, None),
                 id="settings_no_address"),
]


@pytest.mark.parametrize("case", CASES)
def test_no_writes(wine, baseline, case):
    write_ini(wine.drive_c / APP / "mailto.ini", case.settings)
    handler = "recorder" if case.target else None
    wine.handler(handler)  # before the listings: the switch is the test's doing
    run, paths, named = changes(wine, PROGRAM + case.arguments, handler=handler)
    run.check(case.shown, case.target)
    assert sorted(paths - baseline[0]) == [], "files created, changed or deleted"
    extra = sorted(named - baseline[1])
    # mailto ended as it should (a crash of its own, or of a process it started, would have
    # failed the checks above): the debugger was started for one of Wine's own processes.
    if extra and all(DEBUGGER_KEYS.search(entry) for entry in extra):
        pytest.skip("a process of Wine's own crashed and Wine's debugger wrote %s; Wine said: %s"
                    % (extra, re.findall(r"wine: Unhandled.*", run.trace) or "nothing"))
    assert extra == [], "registry entries changed"

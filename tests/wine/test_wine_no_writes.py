"""A run of mailto.exe under Wine creates, changes or deletes no file of the prefix (the program's
folder included) and no registry entry: the prefix listed with sizes and times, and the registry
files read key by key, before and after each run, the Wine server stopped on both sides so that it
has saved all it holds. What also differs after a run of a program that does nothing is Wine's."""
import os
import re
import shutil

import pytest

from parts.wine import write_ini

PROGRAM = b'"C:\\t\\app\\mailto.exe"'
SETTINGS = "[EMAIL]\nAddress=set@example.com\nSubject=Set\nError=Not sent"
# What Wine's debugger writes when some process crashes and it starts.
DEBUGGER_KEYS = re.compile(r"\[(Console|Software\\\\Wine\\\\WineDbg)[\]\\]")


def listing(wine):
    """Each file and folder of the prefix with its size and time; the recording handler's folder
    is left out, since what it writes is its own doing."""
    seen = {}
    for folder, folders, files in os.walk(wine.prefix):
        if folder == str(wine.drive_c):
            folders.remove("rec")
        for name in folders + files:
            status = os.lstat(os.path.join(folder, name))
            seen[os.path.join(folder, name)] = (status.st_size, status.st_mtime_ns)
    return seen


def registry(wine):
    """The registry as the server saved it: one entry per key, per value (continued lines
    joined) and per key's time of writing ("#time="), each led by its file and key."""
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
    """Runs line with listings around it; returns the run, the paths and the registry entries
    (named up to their "=") that differ."""
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
    """What Wine itself changes when a program runs: the paths and the registry entries, seen
    when the recording handler runs, which writes only in its own folder."""
    app = wine.drive_c / "t/app"
    shutil.rmtree(app, ignore_errors=True)
    app.mkdir(parents=True)
    shutil.copy(wine.exe("mailto"), app / "mailto.exe")
    wine.handler("recorder")
    # The first run after the prefix was made writes more, once.
    changes(wine, b'"C:\\rec\\recorder.exe"')
    run, paths, named = changes(wine, b'"C:\\rec\\recorder.exe"')
    assert run.status == 0, run
    return paths, named


# id, settings file, handler, command line after the program, boxes shown, request.
CASES = [
    ("command_line_opened", SETTINGS, "recorder", b" to@example.com Hi", [],
     b"to@example.com?subject=Hi"),
    ("settings_opened", SETTINGS, "recorder", b"", [], b"set@example.com?subject=Set"),
    ("command_line_failed", SETTINGS, None, b" to@example.com Hi /error=Failed",
     [b"Failed\r\n\rto@example.com?subject=Hi"], None),
    ("settings_failed", SETTINGS, None, b"", [b"Not sent\r\n\rset@example.com?subject=Set"], None),
    ("settings_no_address", "[EMAIL]\nSubject=no address", None, b"",
     [b"Error - No e-mail address defined"], None),
]


@pytest.mark.parametrize("settings,handler,arguments,boxes,target", [r[1:] for r in CASES],
                         ids=[r[0] for r in CASES])
def test_no_writes(wine, baseline, settings, handler, arguments, boxes, target):
    write_ini(wine.drive_c / "t/app/mailto.ini", settings)
    wine.handler(handler)
    run, paths, named = changes(wine, PROGRAM + arguments, handler=handler)
    assert (run.status, [text for _, text in run.boxes], run.strays) == (0, boxes, []), run
    assert run.request == (target and b'"C:\\rec\\recorder.exe" "mailto:' + target + b'"'), run
    assert sorted(paths - baseline[0]) == [], "files created, changed or deleted"
    extra = sorted(named - baseline[1])
    # mailto ended as it should (a crash of its own, or of a process it started, would have
    # failed the checks above): the debugger was started for one of Wine's own processes.
    if extra and all(DEBUGGER_KEYS.search(entry) for entry in extra):
        pytest.skip("a process of Wine's own crashed and Wine's debugger wrote %s; Wine said: %s"
                    % (extra, re.findall(r"wine: Unhandled.*", run.trace) or "nothing"))
    assert extra == [], "registry entries changed"

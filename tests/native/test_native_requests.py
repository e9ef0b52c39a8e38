"""What the native program's arguments and settings files hand the opener and what it says when the
open fails, up to the longest inputs; under strace, one row per route: no file written, nothing
started but the opener and the dialog."""
import os
import pathlib
import re
import shutil
from typing import NamedTuple, Optional

import pytest

from parts import messages
from parts.native import listing, under_strace
from parts.worst_case import worst_case

NO_ADDRESS = messages.NO_ADDRESS + b"\n"
SHARED = {"VANTIK.INI": b"[EMAIL]\r\nAddress=shared@b.c\r\nSubject=From the shared file\r\n"}
FROM_SHARED = b"mailto:shared@b.c?subject=From the shared file"
A = b"a" * 70000
WRITES = re.compile(rb"^(creat|unlink|rename|mkdir|rmdir|link|symlink|truncate|ftruncate|mknod)"
                    rb"(at2?)?\(|^open\w*\(.*O_(WRONLY|RDWR|CREAT|TRUNC)")


def ini(address, subject=b"", error=None):
    return b"[EMAIL]\nAddress=%s\nSubject=%s\n" % (address, subject) + (
        b"Error=%s\n" % error if error is not None else b"")


def traced(path):
    """What strace saw: programs started ([path, argv...] each), processes made, file writes."""
    calls = re.findall(rb"^\d+ +(\w+)\((.*?)(?:\) += .*| <\w+ \.\.\.>)$", path.read_bytes(), re.M)
    return ([[bytes.fromhex(s.replace(b"\\x", b"").decode()) for s in
              re.findall(rb'"((?:\\x[0-9a-f]{2})*)"', args)] for name, args in calls
             if name.startswith(b"execve")],
            sum(name in (b"clone", b"clone3", b"fork", b"vfork") for name, _ in calls),
            [name + b"(" + args[:200] for name, args in calls if WRITES.search(name + b"(" + args)])


class Request(NamedTuple):
    """Arguments, files beside the program (bytes, or a function that makes the path), the request
    the opener gets (None: none started) and standard error; how the opener ends (its exit status,
    or it stays until released) or that there is none."""
    args: list
    files: dict
    opened: Optional[bytes]
    err: bytes = b""
    opener_exit: int = 0
    opener_stays: bool = False
    opener_missing: bool = False


REQUESTS = [
    pytest.param(Request(["first`1box", "Hi`1there"], {}, b"mailto:first box?subject=Hi there"),
                 id="escapes"),
    pytest.param(Request(["-n", "$(touch p); rm -rf x | cat `id` > y & $HOME"], {},
                         b"mailto:-n?subject=$(touch p); rm -rf x | cat `id` > y & $HOME"),
                 id="shell-metacharacters"),
    pytest.param(Request(["$(touch x);`id`|sh", b"-e'\\\x80\xff", "/error=x"], {},
                         b"mailto:$(touch x);`id`|sh?subject=-e'\\\x80\xff"),
                 id="metacharacters-high-bytes-unused-switch"),
    pytest.param(Request(["", 'a"b', "", 'sub"ject', ""], {}, b"mailto:ab?subject=subject"),
                 id="empty-elements-dropped-quotes-removed"),
    pytest.param(Request([b"tab\there", b"\x80\xff\xe9"], {},
                         b"mailto:tab\there?subject=\x80\xff\xe9"), id="blanks-and-high-bytes"),
    pytest.param(Request(["addr", "subj", "/error=Cannot<#0D><#0A>start"], {},
                         b"mailto:addr?subject=subj", b"Cannot\r\nstart\r\n\raddr?subject=subj\n",
                         opener_exit=4), id="failure-text"),
    pytest.param(Request(["/error=x@y", "s"], {}, b"mailto:/error=x@y?subject=s",
                         b"Error opening\r\n\r/error=x@y?subject=s\n", opener_exit=1),
                 id="address-like-the-switch-is-no-failure-text"),
    pytest.param(Request(["addr", "s", "/error=No`1opener"], {}, None,
                         b"No opener\r\n\raddr?subject=s\n", opener_missing=True),
                 id="missing-opener"),
    pytest.param(Request(["slow@b.c"], {}, b"mailto:slow@b.c", opener_stays=True),
                 id="opener-that-stays-is-taken-as-started"),
    pytest.param(Request(['""'], {}, None, NO_ADDRESS), id="only-an-empty-quoted-pair"),
    pytest.param(Request([A[:30000] + b'"' + A[30000:], "realsubject"], {},
                         b"mailto:%s?subject=realsubject" % A[:65536]),
                 id="argument-over-the-cap-stays-one"),
    pytest.param(Request([b"b c" + A, "next one"], {},
                         b"mailto:%s?subject=next one" % (b"b c" + A)[:65536]),
                 id="quoted-argument-over-the-cap"),
    pytest.param(Request([A[:65536] + b" b c /error=INJECTED", "realsubject"], {},
                         b"mailto:%s?subject=realsubject" % A[:65536],
                         b"Error opening\r\n\r%s?subject=realsubject\n" % A[:65536], opener_exit=1),
                 id="switch-beyond-the-cap"),
    pytest.param(Request([], {"mailto.ini": ini(b"own@b.c", b"From the own file"), **SHARED},
                         b"mailto:own@b.c?subject=From the own file"), id="own-file-used"),
    pytest.param(Request([], {"mailto.ini": b"[EMAIL]\nSubject=Own subject only\n", **SHARED}, None,
                         NO_ADDRESS), id="own-file-without-address-no-fallback"),
    pytest.param(Request([], SHARED, FROM_SHARED), id="own-file-missing-shared-used"),
    pytest.param(Request([], {}, None, NO_ADDRESS), id="neither-file"),
    pytest.param(Request([], {"mailto.ini": pathlib.Path.mkdir, **SHARED}, FROM_SHARED),
                 id="directory-named-like-the-own-file"),
    # Windows takes a file without an MS-DOS date (1980-2107) as missing; a file is a file here.
    *[pytest.param(Request([], {"mailto.ini": lambda path, t=seconds: (
        path.write_bytes(ini(b"old@b.c")), os.utime(path, (t, t))), **SHARED}, b"mailto:old@b.c"),
        id=f"own-file-dated-{name}-used")
      for name, seconds in (("0", 0), ("1979", 298296000), ("2108", 4354819200))],
    pytest.param(Request([], {"mailto.ini": (
        b'\xef\xbb\xbf; mail\r\n[ email ]\r\n  ADDRESS = "q@b.c" \r\nsubject=\r\n')},
        b"mailto:q@b.c"), id="mark-comment-case-blanks-quotes-empty-subject"),
    pytest.param(Request([], {"mailto.ini": os.mkfifo, **SHARED}, None, NO_ADDRESS),
                 id="own-file-a-pipe-read-as-empty"),
    pytest.param(Request([], {"mailto.ini": ini(b"own@b.c", error=b"Not<#0D><#0A>opened"),
                              **SHARED}, b"mailto:own@b.c", b"Not\r\nopened\r\n\rown@b.c\n",
                         opener_exit=2), id="failure-with-settings"),
    *[pytest.param(Request([], {"mailto.ini": ini(b"d" * n, b"s" * (n + 1))},
                           b"mailto:%s?subject=%s" % (b"d" * min(n, 1023),
                                                      b"s" * min(n + 1, 1023))),
                   id=f"settings-values-of-{n}-bytes") for n in (1022, 1023, 1024, 5000)],
    pytest.param(Request([], {"mailto.ini": ini(b"x@y", error=b"<#41>" * 300)}, b"mailto:x@y"),
                 id="long-failure-text-open-succeeds"),
    pytest.param(Request([], {"mailto.ini": ini(b"x@y", error=b"<#41>" * 300)}, b"mailto:x@y",
                         b"A" * 204 + b"<#4\r\n\rx@y\n", opener_exit=5),
                 id="long-failure-text-cut-before-decoding"),
]


def run_request(native, row, **options):
    """Runs row with the files it puts beside the program and its opener, and the run options;
    asserts what it hands the opener and says, and that no file beside the program changed.
    Returns the opener's path."""
    app = native.program.parent
    for name, content in row.files.items():
        content(app / name) if callable(content) else (app / name).write_bytes(content)
    opener = native.stand_in("xdg-open", status=row.opener_exit, hold=row.opener_stays)
    if row.opener_missing:
        opener.unlink()
    before = listing(app)
    result = native.run(*row.args, **options)
    assert (result.status, result.out, result.err, result.opened, listing(app)) == (
        0, b"", row.err, [[row.opened]] if row.opened else [], before)
    assert [c.cwd for c in native.calls("xdg-open")] == [os.fsencode(app)] * bool(row.opened)
    return opener


@pytest.mark.parametrize("row", REQUESTS)
def test_request(native, row):
    run_request(native, row)


# One row per route, traced: no file written, no shell, and no program started but the opener
# and the dialog that reports a failure, each straight from its own file.
TRACED = [pytest.param(row.values[0], id=row.id) for row in REQUESTS if row.id in (
    "escapes", "failure-text", "missing-opener", "own-file-used", "failure-with-settings",
    "neither-file")]


@pytest.mark.parametrize("row", TRACED)
def test_request_traced(native, strace, row):
    dialog, trace = native.stand_in("zenity"), native.work / "trace"
    options = under_strace(strace, trace, "-b", "execve", "-xx", "-s", "100000", "-e",
                           "trace=%file,%process,ftruncate")
    options["env"]["DISPLAY"] = ":9"
    opener = run_request(native, row, **options)
    execs, processes, writes = traced(trace)
    started = [[os.fsencode(path), name.encode(), *call.argv] for name, path in (
        ("xdg-open", opener), ("zenity", dialog)) for call in native.calls(name)]
    assert len(started) == bool(row.opened) + bool(row.err)
    assert (execs[0][0], execs[1:], processes, writes) == (
        os.fsencode(native.program), started, len(execs) - 1, [])


@pytest.mark.parametrize("length", [pytest.param(32767, id="longest-windows-line"),
                                    pytest.param(200001, id="native-line")])
def test_worst_case_line(native, length):
    case = worst_case(str(native.program), length)
    native.stand_in("xdg-open", status=2)
    result = native.run(*case.argv[1:])
    assert len(" ".join(case.argv)) == length
    assert (result.status, result.err, result.opened) == (
        0, case.message.encode() + b"\n", [[case.request.encode()]])


def test_deep_program_folder(native):
    # A folder far deeper than Windows' 260-byte paths: still entered, its settings still read.
    deep = native.work.joinpath(*[f"folder-{str(i % 10) * 20}" for i in range(30)])
    deep.mkdir(parents=True)
    shutil.copy2(native.program, deep / "mailto")
    (deep / "mailto.ini").write_bytes(ini(b"deep@b.c"))
    result = native.run(program=deep / "mailto")
    assert (result.status, result.err, result.opened) == (0, b"", [[b"mailto:deep@b.c"]])
    assert native.calls("xdg-open")[0].cwd == os.fsencode(deep)


def test_program_started_through_a_link(native):
    # The settings file beside the real executable counts, not the one beside a link to it.
    link = native.work / "links" / "mailto"
    link.parent.mkdir()
    link.symlink_to(native.program)
    (link.parent / "mailto.ini").write_bytes(ini(b"link@b.c"))
    (native.program.parent / "mailto.ini").write_bytes(ini(b"real@b.c"))
    result = native.run(program=link)
    assert (result.status, result.err, result.opened) == (0, b"", [[b"mailto:real@b.c"]])
    assert native.calls("xdg-open")[0].cwd == os.fsencode(native.program.parent)

"""What the native program's arguments and settings files hand the opener and what it says when the
open fails, up to the longest inputs; under strace, no file written, one exec: the opener's."""
import os
import pathlib
import re
import shutil

import pytest

from parts.native import listing
from parts.worst_case import worst_case

NO_ADDRESS = b"Error - No e-mail address defined\n"
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


ROWS = {  # arguments, files beside the program, the opener's status, the request, standard error
    "escapes": (["first`1box", "Hi`1there"], {}, 0, b"mailto:first box?subject=Hi there", b""),
    "shell-metacharacters": (["-n", "$(touch p); rm -rf x | cat `id` > y & $HOME"], {}, 0,
                             b"mailto:-n?subject=$(touch p); rm -rf x | cat `id` > y & $HOME", b""),
    "metacharacters-high-bytes-unused-switch": (
        ["$(touch x);`id`|sh", b"-e'\\\x80\xff", "/error=x"], {}, 0,
        b"mailto:$(touch x);`id`|sh?subject=-e'\\\x80\xff", b""),
    "empty-elements-dropped-quotes-removed": (["", 'a"b', "", 'sub"ject', ""], {}, 0,
                                              b"mailto:ab?subject=subject", b""),
    "blanks-and-high-bytes": ([b"tab\there", b"\x80\xff\xe9"], {}, 0,
                              b"mailto:tab\there?subject=\x80\xff\xe9", b""),
    "failure-text": (["addr", "subj", "/error=Cannot<#0D><#0A>start"], {}, 4,
                     b"mailto:addr?subject=subj", b"Cannot\r\nstart\r\n\raddr?subject=subj\n"),
    "address-like-the-switch-is-no-failure-text": (["/error=x@y", "s"], {}, 1,
        b"mailto:/error=x@y?subject=s", b"Error opening\r\n\r/error=x@y?subject=s\n"),
    "missing-opener": (["addr", "s", "/error=No`1opener"], {}, None, None,
                       b"No opener\r\n\raddr?subject=s\n"),
    "opener-that-stays-is-taken-as-started": (["slow@b.c"], {}, "hold", b"mailto:slow@b.c", b""),
    "only-an-empty-quoted-pair": (['""'], {}, 0, None, NO_ADDRESS),
    "argument-over-the-cap-stays-one": ([A[:30000] + b'"' + A[30000:], "realsubject"], {}, 0,
                                        b"mailto:%s?subject=realsubject" % A[:65536], b""),
    "quoted-argument-over-the-cap": ([b"b c" + A, "next one"], {}, 0,
                                     b"mailto:%s?subject=next one" % (b"b c" + A)[:65536], b""),
    "switch-beyond-the-cap": ([A[:65536] + b" b c /error=INJECTED", "realsubject"], {}, 1,
                              b"mailto:%s?subject=realsubject" % A[:65536],
                              b"Error opening\r\n\r%s?subject=realsubject\n" % A[:65536]),
    "own-file-used": ([], {"mailto.ini": ini(b"own@b.c", b"From the own file"), **SHARED}, 0,
                      b"mailto:own@b.c?subject=From the own file", b""),
    "own-file-without-address-no-fallback": (
        [], {"mailto.ini": b"[EMAIL]\nSubject=Own subject only\n", **SHARED}, 0, None, NO_ADDRESS),
    "own-file-missing-shared-used": ([], SHARED, 0, FROM_SHARED, b""),
    "neither-file": ([], {}, 0, None, NO_ADDRESS),
    "directory-named-like-the-own-file": ([], {"mailto.ini": pathlib.Path.mkdir, **SHARED}, 0,
                                          FROM_SHARED, b""),
    # Windows takes a file without an MS-DOS date (1980-2107) as missing; a file is a file here.
    **{f"own-file-dated-{name}-used": ([], {"mailto.ini": lambda path, t=seconds: (
        path.write_bytes(ini(b"old@b.c")), os.utime(path, (t, t))), **SHARED}, 0,
        b"mailto:old@b.c", b"") for name, seconds in (
            ("0", 0), ("1979", 298296000), ("2108", 4354819200))},
    "mark-comment-case-blanks-quotes-empty-subject": ([], {"mailto.ini": (
        b'\xef\xbb\xbf; mail\r\n[ email ]\r\n  ADDRESS = "q@b.c" \r\nsubject=\r\n')}, 0,
        b"mailto:q@b.c", b""),
    "own-file-a-pipe-read-as-empty": ([], {"mailto.ini": os.mkfifo, **SHARED}, 0, None, NO_ADDRESS),
    "failure-with-settings": ([], {"mailto.ini": ini(b"own@b.c", error=b"Not<#0D><#0A>opened"),
        **SHARED}, 2, b"mailto:own@b.c", b"Not\r\nopened\r\n\rown@b.c\n"),
    **{f"settings-values-of-{n}-bytes": (
        [], {"mailto.ini": ini(b"d" * n, b"s" * (n + 1))}, 0,
        b"mailto:%s?subject=%s" % (b"d" * min(n, 1023), b"s" * min(n + 1, 1023)), b"")
       for n in (1022, 1023, 1024, 5000)},
    "long-failure-text-open-succeeds": ([], {"mailto.ini": ini(b"x@y", error=b"<#41>" * 300)}, 0,
                                        b"mailto:x@y", b""),
    "long-failure-text-cut-before-decoding": ([], {"mailto.ini": ini(b"x@y", error=b"<#41>" * 300)},
                                              5, b"mailto:x@y", b"A" * 204 + b"<#4\r\n\rx@y\n"),
}


@pytest.mark.parametrize("traced_by", [None, "strace"], ids=["run", "strace"])
@pytest.mark.parametrize("args, files, status, opened, err", ROWS.values(), ids=ROWS.keys())
def test_request(native, request, traced_by, args, files, status, opened, err):
    app = native.program.parent
    for name, content in files.items():
        content(app / name) if callable(content) else (app / name).write_bytes(content)
    opener = native.stand_in("xdg-open", status=0 if status == "hold" else status,
                             hold=status == "hold")
    if status is None:
        opener.unlink()
    before, trace = listing(app), native.work / "trace"
    strace = [request.getfixturevalue("strace"), "-f", "-b", "execve", "-qq", "-xx", "-s", "100000",
              "-e", "trace=%file,%process,ftruncate", "-o", trace] if traced_by else []
    # The leak checker of a sanitizer build stops the process in a way that cannot run under ptrace.
    asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    result = native.run(*args, before=strace, env={"ASAN_OPTIONS": asan} if strace else {})
    assert (result.status, result.out, result.err, result.opened, listing(app)) == (
        0, b"", err, [[opened]] if opened else [], before)
    assert [c.cwd for c in native.calls("xdg-open")] == [os.fsencode(app)] * bool(opened)
    if traced_by:
        execs, processes, writes = traced(trace)
        started = [[os.fsencode(opener), b"xdg-open", opened]] * bool(opened)
        assert (execs[0][0], execs[1:], processes, writes) == (
            os.fsencode(native.program), started, len(execs) - 1, [])


@pytest.mark.parametrize("length", [32767, 200001], ids=["longest-windows-line", "native-line"])
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

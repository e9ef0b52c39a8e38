"""The native program under hostile callers (signals ignored, blocked or sent to the group, stray
descriptors, odd PATHs, no /proc, long paths, readers that stay or have gone) and at the edges (a
folder near the path limit, a deleted or memory-backed binary, a small stack, an opener that dies):
the request reaches the opener exactly, and the opener outlives the caller and never holds it, as
xdg-open stays."""
import errno
import os
import pty
import re
import resource
import select
import shutil
import signal
import socket
import subprocess
from typing import Callable, NamedTuple

import pytest

from parts import messages
from parts.native import skip_if_sanitized, under_strace
from parts.waiting import wait_until

REQUEST = [b"mailto:a@b.c?subject=s"]
SH = shutil.which("sh")
SAY = b"xdg-open: no method available for opening 'mailto:a@b'\n"
NULL = b"/dev/null"


def plain_opener(native, first="", status=0):
    """An opener that needs no /proc: runs first, keeps its argv in the file returned, exits."""
    (native.stand_ins / "xdg-open").write_text(
        f"#!/bin/sh\n{first}\nprintf '%s\\0' \"$@\" > '{native.records}/argv'\nexit {status}\n")
    return native.records / "argv"


@pytest.mark.parametrize("caller, path", [
    pytest.param({"preexec_fn": lambda: signal.signal(signal.SIGCHLD, signal.SIG_IGN)}, None,
                 id="sigchld-ignored"),
    pytest.param({"before": [SH, "-c", 'exec 7</dev/null; exec "$@"', "sh"]}, None,
                 id="descriptor-7-leaked"),
    pytest.param({}, "", id="path-empty-entry"),
    pytest.param({}, ".", id="path-dot"),
    pytest.param({}, "../app dir", id="path-relative-entry"),
])
def test_request_delivered(native, caller, path):
    # An opener beside the program, which an odd PATH entry must not reach.
    (native.program.parent / "xdg-open").symlink_to(native.stand_in("planted"))
    env = {} if path is None else {"PATH": f"{path}:{native.stand_ins}"}
    result = native.run("a@b.c", "s", env=env, **caller)
    assert (result.status, result.err, result.opened) == (0, b"", [REQUEST])
    assert sorted(native.calls("xdg-open")[0].fds) == [0, 1, 2]
    assert native.calls("planted") == []


# The opener itself signals its caller's process group, so that the signal comes while the caller
# waits; an opener still in that group would end before keeping anything. The group is made here,
# led by a sleeper, so that its id is known before mailto starts and is never 0 or 1: an opener
# orphaned by a caller that stopped waiting signals the sleeper alone, and the row fails, not the
# machine ("kill -1" as root would reach every process).
@pytest.mark.parametrize("sent", [pytest.param(signal.SIGTERM, id="group-killed"),
                                  pytest.param(signal.SIGHUP, id="group-hangup"),
                                  pytest.param(signal.SIGINT, id="group-interrupt")])
def test_opener_outlives_the_callers_group(native, sent):
    leader = subprocess.Popen([shutil.which("sleep"), "60"], process_group=0)
    try:
        assert leader.pid > 1
        argv = plain_opener(native, f'[ "$GROUP" -gt 1 ] && kill -{sent.name[3:]} -"$GROUP"')
        result = native.run("a@b.c", "s", process_group=leader.pid, env={"GROUP": str(leader.pid)})
    finally:
        leader.kill()
        leader.wait()
    assert result.status == -sent
    wait_until(lambda: argv.exists() and argv.stat().st_size,
               "the opener to keep the request after the signal to the group")
    assert argv.read_bytes() == REQUEST[0] + b"\0"


# The opener replaces the program, as an upgrade would during the wait, then reports failure.
def test_failure_text_read_after_the_program_is_replaced(native):
    (native.program.parent / "mailto.ini").write_text(
        "[EMAIL]\nAddress=a@b.c\nError=Configured failure\n")
    new, program = f"'{native.program}.new'", f"'{native.program}'"
    plain_opener(native, f"{shutil.which('cp')} {program} {new} && "
                         f"{shutil.which('mv')} {new} {program}", status=1)
    result = native.run()
    assert (result.status, result.err) == (0, b"Configured failure\r\n\ra@b.c\n")
    assert (native.records / "argv").read_bytes() == b"mailto:a@b.c\0"


def test_request_delivered_without_proc(native):
    skip_if_sanitized(native, "the AddressSanitizer run-time cannot start without /proc")
    unshare, mount = shutil.which("unshare"), shutil.which("mount")
    if unshare is None or mount is None:
        pytest.skip("unshare or mount is not installed (util-linux)")
    wrap = [unshare, "-rm", SH, "-c", f'{mount} -t tmpfs none /proc && exec "$@"', "sh"]
    if subprocess.run([*wrap, SH, "-c", "! test -e /proc/self"]).returncode:
        pytest.skip("no private mount namespace here (unshare -rm)")
    argv = plain_opener(native)
    result = native.run("a@b.c", "s", before=wrap)
    assert (result.status, result.err) == (0, b"")
    assert argv.read_bytes() == REQUEST[0] + b"\0"


def long_folder(length):
    """A condition: the program and its settings file in a folder whose path is length bytes long,
    made and entered one step at a time (no call is given more than 4,096 bytes of path)."""
    def make(native):
        folder, made = os.open(native.work, os.O_RDONLY), len(str(native.work))
        while made < length:
            name = "d" * min(200, length - made - 1)
            os.mkdir(name, dir_fd=folder)
            folder, parent = os.open(name, os.O_RDONLY, dir_fd=folder), folder
            os.close(parent)
            made += 1 + len(name)
        shutil.copy2(native.program, f"/proc/self/fd/{folder}/mailto")
        shutil.copy2(native.program.parent / "mailto.ini", f"/proc/self/fd/{folder}/mailto.ini")
        return {"program": "./mailto", "preexec_fn": lambda: os.fchdir(folder)}, [folder]
    return make


def deleted_binary(native, folder_too=False):
    """A condition: the program opened, deleted (its folder too, or not) and run from its fd."""
    fd = os.open(native.program, os.O_RDONLY)
    native.program.unlink()
    if folder_too:
        shutil.rmtree(native.program.parent)
    return {"program": f"/proc/self/fd/{fd}", "pass_fds": [fd]}, [fd]


def memory_file(native):
    """A condition: the program run from a memory file, started in its settings files' folder."""
    fd = os.memfd_create("mailto")
    os.write(fd, native.program.read_bytes())
    return {"program": f"/proc/self/fd/{fd}", "pass_fds": [fd],
            "preexec_fn": lambda: os.chdir(native.program.parent)}, [fd]


def small_stack(native):
    """A condition: a 16 KiB stack, on which the command-line route runs; the opener, which
    inherits it, needs no program but its shell."""
    skip_if_sanitized(native, "the AddressSanitizer run-time needs more than a 16 KiB stack")
    plain_opener(native)
    return {"before": [SH, "-c", 'ulimit -s 16 && exec "$@"', "sh"]}, []


def folder_closed(native):
    """A condition: the program deleted and run from its fd by a user who may not enter its
    folder, nor so much as look into it."""
    setpriv = shutil.which("setpriv")
    if setpriv is None:
        pytest.skip("setpriv is not installed (util-linux)")
    options, fds = deleted_binary(native)
    native.program.parent.chmod(0)
    return {**options, "before": [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"]}, fds


def opener_killed(native):
    """A condition: an opener that dies of a signal (0 as its exit code)."""
    plain_opener(native, "kill -KILL $$")
    return {}, []


class Edge(NamedTuple):
    condition: Callable
    args: list
    err: bytes
    opened: list
    traced: bool = False  # the run under strace: it must look at no settings file
    status: int = 0


OWN = [[b"mailto:own@b.c"]]
NO_ADDRESS = messages.NO_ADDRESS + b"\n"
EDGES = [
    *[pytest.param(Edge(long_folder(n), args, b"", opened), id=f"folder-of-{n}-bytes-{route}")
      for n in (4092, 4094, 4096, 4400)
      for route, args, opened in (("command-line", ["a@b.c", "s"], [REQUEST]), ("settings", [], OWN))
      if (n, route) != (4092, "command-line")],  # that one ran before
    pytest.param(Edge(deleted_binary, [], b"", OWN), id="deleted-binary-own-settings"),
    pytest.param(Edge(lambda native: deleted_binary(native, folder_too=True), ["a@b.c", "s"], b"",
                      [REQUEST]), id="deleted-binary-and-folder-command-line"),
    pytest.param(Edge(folder_closed, ["a@b.c"], b"Error\nRuntime error  13 at ", [],
                      status=errno.EACCES), id="folder-not-to-be-entered-stops-with-its-reason"),
    pytest.param(Edge(memory_file, [], NO_ADDRESS, [], traced=True),
                 id="memory-file-reads-no-settings"),
    pytest.param(Edge(small_stack, [], b"", OWN), id="16-kib-stack-settings"),
    pytest.param(Edge(opener_killed, ["a@b.c", "s"], b"Error opening\r\n\ra@b.c?subject=s\n", []),
                 id="opener-killed-by-a-signal-is-a-failed-open"),
]


# Beside the program, its own settings file and the shared one with another recipient.
@pytest.mark.parametrize("edge", EDGES)
def test_edge(native, request, edge):
    (native.program.parent / "mailto.ini").write_text("[EMAIL]\nAddress=own@b.c\n")
    (native.program.parent / "VANTIK.INI").write_text("[EMAIL]\nAddress=shared@b.c\n")
    options, fds = edge.condition(native)
    trace = native.work / "trace"
    if edge.traced:
        options.update(under_strace(request.getfixturevalue("strace"), trace, "-e", "trace=%file"))
    try:
        result = native.run(*edge.args, **options)
    finally:
        for fd in fds:
            os.close(fd)
    argv = native.records / "argv"  # what a plain opener kept
    opened = result.opened + ([argv.read_bytes().split(b"\0")[:-1]] if argv.exists() else [])
    # The sanitizers' run-time may warn first, about a path too long for it.
    err = re.sub(rb"^==\d+==WARNING: .*\n", b"", result.err, flags=re.M)
    assert (result.status, err[:len(edge.err)], opened) == (edge.status, edge.err, edge.opened)
    if edge.traced:
        assert re.findall(rb"[^\"]*\.ini|VANTIK\.INI", trace.read_bytes(), re.I) == []


def read_to_end(fd, timeout=10):
    """What fd gives up to end-of-file; fails the test when none comes within timeout seconds."""
    data = b""
    while select.select([fd], [], [], timeout)[0]:
        if not (chunk := os.read(fd, 4096)):
            return data
        data += chunk
    pytest.fail(f"no end-of-file for the caller within {timeout} s")


def caller_ends(mode, work):
    """The program's standard output and error, what the caller reads, the opener's 1 and 2."""
    if mode == "terminal":
        main, terminal = pty.openpty()
        tty = os.ttyname(terminal).encode()
        # What the opener wrote there before it was held (a terminal gives no end-of-file).
        return terminal, terminal, lambda: select.select([main], [], [], 10)[0] and os.read(
            main, 4096), (tty, tty)
    read_end, write_end = (os.pipe() if mode != "socket"
                           else [end.detach() for end in socket.socketpair()])
    if mode != "error-file":
        return write_end, write_end, lambda: read_to_end(read_end), (NULL, NULL)
    error = os.open(work / "error file", os.O_WRONLY | os.O_CREAT)
    return write_end, error, lambda: read_to_end(read_end), (NULL, os.fsencode(work / "error file"))


@pytest.mark.parametrize("mode, heard", [
    pytest.param("pipe", b"", id="pipe"),
    pytest.param("error-file", b"", id="output-pipe-error-file"),
    pytest.param("socket", b"", id="socket"),
    pytest.param("terminal", SAY.replace(b"\n", b"\r\n"), id="terminal"),
])
def test_caller_not_held(native, mode, heard):
    native.stand_in("xdg-open", hold=True, say=SAY)
    stdout, stderr, caller_read, streams = caller_ends(mode, native.work)
    read_end, write_end = os.pipe()
    os.write(write_end, b"caller input")
    os.close(write_end)
    result = native.run("a@b", env={"DISPLAY": ":9"}, stdin=read_end, stdout=stdout, stderr=stderr)
    for fd in {read_end, stdout, stderr}:
        os.close(fd)
    # The caller read to end-of-file (or, on a terminal, all there was) while the opener was held.
    assert caller_read() == heard
    [opener] = native.calls("xdg-open")
    assert (result.status, result.opened, opener.ended) == (0, [[b"mailto:a@b"]], False)
    (native.records / "release").touch()
    wait_until(lambda: native.calls("xdg-open")[0].ended, "the released opener to end")
    assert (opener.streams, opener.input) == ((NULL, *streams), b"")
    assert mode != "error-file" or (native.work / "error file").read_bytes() == SAY


def hostile_signals():
    for ignored in (signal.SIGPIPE, signal.SIGINT, signal.SIGHUP, signal.SIGQUIT, signal.SIGTERM):
        signal.signal(ignored, signal.SIG_IGN)
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1, signal.SIGTERM, signal.SIGCHLD})


def reader_gone(work):
    """Standard output and error whose reader has gone: the descriptor, the caller's limit
    (none), and the streams a started program gets."""
    read_end, write_end = os.pipe()
    os.close(read_end)
    return write_end, None, (NULL,) * 3


def file_at_size_limit(work):
    """A log file that has reached the caller's file-size limit, which the stand-ins' own
    records stay well below: every write of mailto's to it fails."""
    (path := work / "log").write_bytes(b"x" * 65536)
    return (os.open(path, os.O_WRONLY | os.O_APPEND),
            lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (65536, 65536)),
            (NULL, os.fsencode(path), os.fsencode(path)))


# Whatever the caller left behind (a reader that has gone, a file it may not make longer, signals
# ignored or blocked), the dialog still shows, and what mailto starts gets its own streams and
# every signal at its default.
@pytest.mark.parametrize("args, signals, sink", [
    pytest.param([], None, reader_gone, id="no-address-reader-gone"),
    pytest.param(["a@b"], None, reader_gone, id="failed-open-reader-gone"),
    pytest.param(["a@b"], hostile_signals, reader_gone,
                 id="failed-open-reader-gone-hostile-signals"),
    pytest.param(["a@b"], None, file_at_size_limit, id="failed-open-log-at-file-size-limit"),
])
def test_started_programs_on_their_own(native, args, signals, sink):
    native.stand_in("xdg-open", status=1)
    native.stand_in("zenity")
    output, limit, streams = sink(native.work)
    result = native.run(*args, env={"DISPLAY": ":9"}, stdout=output, stderr=output,
                        preexec_fn=lambda: [step() for step in (signals, limit) if step])
    os.close(output)
    started = native.calls("xdg-open") + native.calls("zenity")
    # Signals 32 and 33 are the C library's own, which it leaves ignored in every program it starts.
    assert (result.status, [(c.ignored & ~0x180000000, c.blocked) for c in started]) == (
        0, [(0, 0)] * (1 + len(args)))
    assert [(c.ended, c.streams) for c in native.calls("zenity")] == [(True, streams)]


# A caller's limit on data memory that the start needs a small part of. The arguments make a
# command line beyond it, or PATH a list of folders beyond it, looked for the opener first and
# then, in the report, for the dialog program: the report comes once, with its dialog only where
# memory allows one.
@pytest.mark.parametrize("args, path, dialog", [
    pytest.param(["a@b.c", *["x" * 65536] * 24], "", [b"--title=Error"],
                 id="command-line-beyond-memory-limit"),
    pytest.param(["a@b.c"], "/a:" * 43000, [], id="dialog-lookup-in-report-beyond-memory-limit"),
])
def test_memory_runs_out(native, args, path, dialog):
    skip_if_sanitized(native, "AddressSanitizer cannot run under a memory limit")
    native.stand_in("xdg-open", status=1)
    native.stand_in("zenity")
    limit = 1 << 20
    result = native.run(
        *args, env={"DISPLAY": ":9", "PATH": path + str(native.stand_ins)},
        preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_DATA, (limit, limit)))
    assert (result.status, re.sub(rb"at [0-9A-F]{8}\n", b"at X\n", result.err)) == (
        203, b"Error\nRuntime error 203 at X\n")
    assert [call.argv[2] for call in native.calls("zenity")] == dialog

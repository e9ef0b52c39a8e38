"""The native program never holds its caller: an opener that stays (as xdg-open does while a mail
program runs in the foreground) keeps no reader of a pipe or socket from end-of-file, never reads
the caller's input and gets every signal at its default; a reader that has gone changes neither
the exit status nor the dialog."""
import os
import pty
import select
import signal
import socket

import pytest

from parts.native import wait_until

SAY = b"xdg-open: no method available for opening 'mailto:a@b'\n"
NULL = b"/dev/null"


def read_to_end(fd, timeout=10):
    """What fd gives up to end-of-file; fails the test when none comes within timeout seconds."""
    data = b""
    while select.select([fd], [], [], timeout)[0]:
        if not (chunk := os.read(fd, 4096)):
            return data
        data += chunk
    pytest.fail(f"no end-of-file for the caller within {timeout} s")


def caller_ends(mode, work):
    """Standard output and error for the program, a function giving what the caller read, and the
    targets the opener's standard streams must have."""
    if mode == "socket":
        mine, theirs = socket.socketpair()
        return (fd := theirs.detach()), fd, lambda: read_to_end(mine.fileno()), (NULL, NULL)
    if mode == "terminal":
        main, terminal = pty.openpty()
        tty = os.ttyname(terminal).encode()
        # What the opener wrote there before it was held (a terminal gives no end-of-file).
        return terminal, terminal, lambda: select.select([main], [], [], 10)[0] and os.read(
            main, 4096), (tty, tty)
    read_end, write_end = os.pipe()
    if mode == "pipe":
        return write_end, write_end, lambda: read_to_end(read_end), (NULL, NULL)
    error = os.open(work / "error file", os.O_WRONLY | os.O_CREAT)
    return write_end, error, lambda: read_to_end(read_end), (NULL, os.fsencode(work / "error file"))


@pytest.mark.parametrize("mode, heard", [("pipe", b""), ("error-file", b""), ("socket", b""),
                                         ("terminal", SAY.replace(b"\n", b"\r\n"))],
                         ids=["pipe", "output-pipe-error-file", "socket", "terminal"])
def test_caller_not_held(native, mode, heard):
    native.stand_in("xdg-open", hold=True, say=SAY)
    stdout, stderr, caller_read, streams = caller_ends(mode, native.work)
    read_end, write_end = os.pipe()
    os.write(write_end, b"caller input")
    os.close(write_end)
    result = native.run("a@b", display=":9", stdin=read_end, stdout=stdout, stderr=stderr)
    for fd in {stdout, stderr}:
        os.close(fd)
    # The caller read to end-of-file (or, on a terminal, all there was) while the opener was held.
    assert caller_read() == heard
    [opener] = native.calls("xdg-open")
    assert (result.status, result.opened, opener.ended) == (0, [[b"mailto:a@b"]], False)
    native.release()
    wait_until(lambda: native.calls("xdg-open")[0].ended, "the released opener to end")
    assert (opener.streams, opener.input) == ((NULL, *streams), b"")
    assert mode != "error-file" or (native.work / "error file").read_bytes() == SAY


@pytest.mark.parametrize("args", [[], ["a@b"]], ids=["no-address", "failed-open"])
def test_reader_gone(native, args):
    native.stand_in("xdg-open", status=1)
    native.stand_in("zenity")
    read_end, write_end = os.pipe()
    os.close(read_end)
    result = native.run(*args, display=":9", stdout=write_end, stderr=write_end)
    os.close(write_end)
    assert (result.status, [(c.ended, c.streams) for c in native.calls("zenity")]) == (
        0, [(True, (NULL,) * 3)])


def hostile_signals():
    for ignored in (signal.SIGPIPE, signal.SIGINT, signal.SIGHUP, signal.SIGQUIT, signal.SIGTERM):
        signal.signal(ignored, signal.SIG_IGN)
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1, signal.SIGTERM, signal.SIGCHLD})


def test_started_programs_get_default_signals(native):
    native.stand_in("xdg-open", status=1)
    native.stand_in("zenity")
    result = native.run("a@b", display=":9", preexec_fn=hostile_signals)
    # Signals 32 and 33 are the C library's own, which it leaves ignored in every program it starts.
    assert (result.status, [(c.ignored & ~0x180000000, c.blocked) for c in
                            native.calls("xdg-open") + native.calls("zenity")]) == (0, [(0, 0)] * 2)

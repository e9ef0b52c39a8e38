"""The native program under hostile conditions of its caller: signals ignored or aimed at its
process group, a stray descriptor, an odd PATH, no /proc, a path too long, the program replaced
mid-run, a locale that is not installed, an empty DISPLAY. The request must still reach the opener
exactly, and the opener, and so the mail program, must outlive whatever ends the caller."""
import errno
import os
import shutil
import signal
import subprocess

import pytest

from parts.native import wait_until

REQUEST = [b"mailto:a@b.c?subject=s"]
FAILURE = b"Error opening\r\n\ra@b.c?subject=s\n"
SH = shutil.which("sh")


def plain_opener(native, first="", status=0):
    """Puts an opener on PATH that runs the shell commands first, then keeps its arguments and exits
    with status, for what the recording stand-in cannot do (it reads /proc and is held by time).
    Returns the file that gets the arguments, each ended by a zero byte."""
    (native.stand_ins / "xdg-open").write_text(
        f"#!/bin/sh\n{first}\nprintf '%s\\0' \"$@\" > '{native.records}/argv'\nexit {status}\n")
    return native.records / "argv"


@pytest.mark.parametrize("caller", [
    pytest.param({"preexec_fn": lambda: signal.signal(signal.SIGCHLD, signal.SIG_IGN)},
                 id="sigchld-ignored"),
    pytest.param({"before": [SH, "-c", 'exec 7</dev/null; exec "$@"', "sh"]},
                 id="descriptor-7-leaked"),
    pytest.param({"env": {"PATH": ":{}"}}, id="path-empty-entry"),
    pytest.param({"env": {"PATH": ".:{}"}}, id="path-dot"),
    pytest.param({"env": {"PATH": "../app dir:{}"}}, id="path-relative-entry"),
])
def test_request_delivered(native, caller):
    planted = native.program.parent / "xdg-open"
    planted.write_text(f"#!/bin/sh\n: > '{native.records}/planted'\n")
    planted.chmod(0o755)
    if "env" in caller:
        caller = {"env": {"PATH": caller["env"]["PATH"].format(native.stand_ins)}}
    result = native.run("a@b.c", "s", **caller)
    assert (result.status, result.err, result.opened) == (0, b"", [REQUEST])
    assert sorted(native.calls("xdg-open")[0].fds) == [0, 1, 2]
    assert not (native.records / "planted").exists()


# The opener itself signals its caller's process group (the caller leads it), so that the signal
# comes while the caller waits; an opener still in that group would end before keeping anything.
@pytest.mark.parametrize("sent", [signal.SIGTERM, signal.SIGHUP, signal.SIGINT],
                         ids=["group-killed", "group-hangup", "group-interrupt"])
def test_opener_outlives_the_callers_group(native, sent):
    argv = plain_opener(native, f"kill -{sent.name[3:]} -$PPID")
    result = native.run("a@b.c", "s", process_group=0)
    assert result.status == -sent
    wait_until(argv.exists, "the opener to keep the request after the signal to the group")
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
    if b"__asan_init" in native.program.read_bytes():
        pytest.skip("the AddressSanitizer run-time cannot start without /proc")
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


def test_folder_path_too_long_stops_with_its_reason(native):
    # Made and entered one step at a time: no call is given more than 4,096 bytes of path.
    folder = os.open(native.work, os.O_RDONLY)
    for _ in range(22):
        os.mkdir("d" * 200, dir_fd=folder)
        inner = os.open("d" * 200, os.O_RDONLY, dir_fd=folder)
        os.close(folder)
        folder = inner
    with os.fdopen(os.open("mailto", os.O_WRONLY | os.O_CREAT, 0o755, dir_fd=folder), "wb") as f:
        f.write(native.program.read_bytes())
    result = native.run("a@b.c", "s", program="./mailto", preexec_fn=lambda: os.fchdir(folder))
    os.close(folder)
    assert result.status == errno.ENAMETOOLONG
    # The sanitizers' run-time may warn first, about the same path.
    assert b"\nError\nRuntime error %3d at " % errno.ENAMETOOLONG in b"\n" + result.err
    assert result.opened == []


@pytest.mark.parametrize("env, locale", [
    pytest.param({"LANG": "xx_XX.UTF-8"}, [b"C.UTF-8"], id="lang-not-installed"),
    pytest.param({"LC_ALL": "xx_XX.UTF-8", "LANG": "C.UTF-8"}, [b"C.UTF-8"],
                 id="lc-all-not-installed"),
    pytest.param({"LANG": "C.UTF-8"}, [None], id="lang-installed-kept"),
    pytest.param({"DISPLAY": ""}, [], id="display-empty"),
    pytest.param({"DISPLAY": None, "WAYLAND_DISPLAY": ""}, [], id="wayland-display-empty"),
])
def test_dialog_locale_and_display(native, env, locale):
    native.stand_in("xdg-open", status=1)
    native.stand_in("xmessage")
    result = native.run("a@b.c", "s", display=":99", env=env)
    assert (result.status, result.err, result.opened) == (0, FAILURE, [REQUEST])
    assert [call.env.get(b"LC_ALL") for call in native.calls("xmessage")] == locale

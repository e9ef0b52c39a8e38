"""A private X display: an Xvfb server of the test's own, gone when the test ends."""
import os
import select
import shutil
import subprocess

import pytest


def abstract_listener(number):
    """The inode of the socket listening on display number's abstract name, or None."""
    name = f"@/tmp/.X11-unix/X{number}"
    with open("/proc/net/unix") as table:
        for line in table:
            fields = line.split()
            if fields[-1] == name and fields[3] == "00010000":
                return fields[6]
    return None


def owns_display(server, number):
    """Whether server listens on number's abstract name. The name is shared by every mount
    namespace of the network namespace, and clients try it first: an X server another namespace
    started on the same number would otherwise get this one's clients."""
    inode = abstract_listener(number)
    return inode is not None and any(
        os.readlink(f"/proc/{server.pid}/fd/{fd}") == f"socket:[{inode}]"
        for fd in os.listdir(f"/proc/{server.pid}/fd"))


def start_xvfb_on(number, log):
    """Starts Xvfb on display number, writing to the open file log; returns the server, and
    whether it announced the display within 30 s."""
    read_end, write_end = os.pipe()
    # -noreset: by default the server resets when its last client leaves, and refuses whoever
    # connects meanwhile ("cannot open display"), as a dialog can while a test polls the display.
    server = subprocess.Popen(
        ["Xvfb", f":{number}", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
         "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    # Xvfb writes its display number once it accepts clients, then a line break in a write of its
    # own: the pipe stays open until that has come, or Xvfb would fail on it.
    announced = b""
    while not announced.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 30)
        chunk = os.read(read_end, 64) if ready else b""
        if not chunk:
            break
        announced += chunk
    os.close(read_end)
    return server, announced.strip() == str(number).encode()


def start_xvfb(log):
    """Starts Xvfb writing to the open file log on the first display number that is free here
    and that it alone listens on; returns the server and its DISPLAY value (":N"), or None for
    the value (and a server that has ended, or none) when none came up."""
    server = None
    for number in range(64):
        if os.path.exists(f"/tmp/.X{number}-lock") or abstract_listener(number):
            continue
        server, announced = start_xvfb_on(number, log)
        if announced and owns_display(server, number):
            return server, f":{number}"
        stop_xvfb(server)
    return server, None


def stop_xvfb(server):
    if server is None:
        return
    server.terminate()
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


@pytest.fixture(scope="session")
def display(tmp_path_factory):
    """The DISPLAY value (":N") of a fresh Xvfb server; skips where Xvfb is not installed."""
    if shutil.which("Xvfb") is None:
        pytest.skip("Xvfb is not installed (tests/install.sh installs it)")
    with open(tmp_path_factory.mktemp("xvfb") / "xvfb.log", "wb") as log:
        server, value = start_xvfb(log)
        try:
            if value is None:
                pytest.fail("no Xvfb came up on a display of its own within 30 s")
            yield value
        finally:
            stop_xvfb(server)

"""A private X display: an Xvfb server of the test's own, gone when the test ends."""
import os
import select
import shutil
import subprocess

import pytest


def start_xvfb(log):
    """Starts Xvfb writing to the open file log; returns the server and its DISPLAY value (":N"),
    or None for the value when it announced none within 30 s."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=log, stderr=log)
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
    number = announced.decode().strip()
    return server, ":" + number if number else None


def stop_xvfb(server):
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
                pytest.fail("Xvfb announced no display within 30 s")
            yield value
        finally:
            stop_xvfb(server)

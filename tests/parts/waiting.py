"""Waiting with a bound, and the live processes that tests wait on."""
import pathlib
import time

import pytest


def wait_until(condition, what, timeout=10, every=0.02):
    """Polls condition() every `every` seconds; returns its first true value. Fails the test,
    naming what (or what()), after timeout seconds."""
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            pytest.fail(f"waited {timeout} s for {what() if callable(what) else what}")
        time.sleep(every)
    return value


def processes():
    """(pid, command name, arguments, environment) of each process that can be read."""
    for proc in pathlib.Path("/proc").glob("[0-9]*"):
        try:
            yield int(proc.name), *((proc / f).read_bytes() for f in ("comm", "cmdline", "environ"))
        except OSError:
            pass  # Gone meanwhile, or not ours to read.

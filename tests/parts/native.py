"""The native program's real part: a work folder with the program copied in, recording stand-ins
for the opener and the dialog programs on a private PATH, strace, and one way to run them all."""
import contextlib
import os
import re
import shutil
import signal
import subprocess
import time
import types

import pytest

# The stand-in: records how it was started, then behaves as its files in the records folder say.
# The shell reads its signal state itself (while it waits for a program it runs, it blocks
# signals) and lists its descriptors from a subshell, where no redirection of its own shows.
STAND_IN = r"""#!/bin/sh
r="@RECORDS@/@NAME@.$$" c="@RECORDS@/@NAME@"
: > "$r.started"
while read -r k v; do case $k in SigBlk: | SigIgn:) echo "$k $v" ;; esac
done </proc/$$/status >"$r.signals"
read -r stat </proc/$$/stat; printf '%s' "$stat" >"$r.stat"; (@LS@ -l /proc/$$/fd/) >"$r.fds"
printf '%s\0' "$@" >"$r.args"; pwd >"$r.cwd"; @ENV@ -0 >"$r.env"
@CAT@ >"$r.input"; : >"$r.recorded"
[ -e "$c.say" ] && @CAT@ "$c.say" >&2; i=0
while [ -e "$c.hold" ] && [ ! -e "@RECORDS@/release" ] && [ $i -lt 300 ]; do
    i=$((i + 1)); @SLEEP@ 0.1
done
: >"$r.ended"; exit $(@CAT@ "$c.status" 2>/dev/null || echo 0)
"""


def wait_until(condition, what, timeout=10):
    """Polls condition() until true; fails the test, naming what, after timeout seconds."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            pytest.fail(f"waited {timeout} s for {what}")
        time.sleep(0.02)


def listing(folder):
    """Each entry under folder with its mode, size and times, to see that nothing changed."""
    return sorted((str(p), s.st_mode, s.st_size, s.st_mtime_ns, s.st_ctime_ns)
                  for p in folder.rglob("*") for s in [os.lstat(p)])


def beside(prefix, what):
    """The file WHAT of a stand-in's run, prefix being records/NAME.PID."""
    return prefix.parent / f"{prefix.name}.{what}"


def parse_record(prefix, work):
    """One run of a stand-in: argv (its arguments, bytes), cwd, fds ({number: target}, its own
    script left out), streams (targets of 0, 1, 2), ignored and blocked (signal masks), pid, ppid,
    pgrp, session, env (bytes to bytes), input (what it read) and ended (whether it has exited)."""
    def read(what):
        return beside(prefix, what).read_bytes()
    own = (os.fsencode(work), b"/" + prefix.stem.encode())
    fds = {int(n): t for n, t in re.findall(rb"^\S+ .* (\d+) -> (.*)$", read("fds"), re.M)
           if not (t.startswith(own[0]) and t.endswith(own[1]))}
    masks = dict(line.split() for line in read("signals").splitlines())
    stat = read("stat").rsplit(b")", 1)[1].split()
    return types.SimpleNamespace(
        argv=read("args").split(b"\0")[:-1], cwd=read("cwd").rstrip(b"\n"), fds=fds,
        streams=tuple(fds.get(n) for n in range(3)), ignored=int(masks[b"SigIgn:"], 16),
        blocked=int(masks[b"SigBlk:"], 16), pid=int(prefix.suffix[1:]), ppid=int(stat[1]),
        pgrp=int(stat[2]), session=int(stat[3]), input=read("input"),
        env=dict(v.partition(b"=")[::2] for v in read("env").split(b"\0") if v),
        ended=beside(prefix, "ended").exists())


class Native:
    """The program copied to work/"app dir"/mailto (program); stand_ins, first on the PATH of
    every run, with a stand-in xdg-open; records, where the stand-ins record."""

    def __init__(self, work):
        self.work, self.records, self.stand_ins = work, work / "records", work / "stand-ins"
        self.program = work / "app dir" / "mailto"
        self.records.mkdir()
        self.stand_in("xdg-open")

    def stand_in(self, name, status=0, hold=False, say=None, folder=None):
        """Puts a stand-in NAME (xdg-open, zenity ...) in folder (or stand_ins); returns its path.
        It exits with status, stays until release() with hold (30 s at most), writes say (bytes)
        to its standard error."""
        path = (folder or self.stand_ins) / name
        path.parent.mkdir(exist_ok=True)
        text = STAND_IN.replace("@RECORDS@", str(self.records)).replace("@NAME@", name)
        for tool in ("ls", "env", "cat", "sleep"):
            text = text.replace(f"@{tool.upper()}@", shutil.which(tool))
        path.write_text(text)
        path.chmod(0o755)
        (self.records / f"{name}.status").write_text(str(status))
        for what, wanted in (("hold", b"" if hold else None), ("say", say)):
            (self.records / f"{name}.{what}").unlink(missing_ok=True)
            if wanted is not None:
                (self.records / f"{name}.{what}").write_bytes(wanted)
        return path

    def calls(self, name, wait=False):
        """The runs of the stand-in NAME since run() began, in the order they started, each as
        parse_record gives it; with wait, first waits (10 s at most) for one to have started."""
        if wait:
            wait_until(lambda: list(self.records.glob(f"{name}.*.recorded")),
                       f"the stand-in {name} to record its start")
        prefixes = sorted((p.with_suffix("") for p in self.records.glob(f"{name}.*.started")),
                          key=lambda p: beside(p, "started").stat().st_mtime_ns)
        for prefix in prefixes:
            wait_until(lambda: beside(prefix, "recorded").exists(), f"{prefix.name} to record")
        return [parse_record(p, self.work) for p in prefixes]

    def release(self):
        """Lets every held stand-in end."""
        (self.records / "release").touch()

    def environment(self, env=None, display=None):
        """PATH with only the stand-ins, the sanitizers' options, DISPLAY when display is given;
        then env over it (a value of None removes the name)."""
        environment = {k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")}
        environment.update(PATH=str(self.stand_ins), **({"DISPLAY": display} if display else {}))
        environment.update(env or {})
        return {k: v for k, v in environment.items() if v is not None}

    def run(self, *args, program=None, before=(), env=None, display=None, cwd="/", timeout=30,
            **popen):
        """Runs the program (or program) with args (str or bytes) after the command before
        (strace ...), from cwd, in environment(env, display), input from /dev/null, output and
        error to files unless popen (for Popen) says otherwise; fails after timeout seconds.
        Returns status, out, err (bytes; None where given) and opened (the opener's argvs)."""
        for old in [*self.records.glob("*.*.*"), self.records / "release"]:
            old.unlink(missing_ok=True)
        out, err = self.work / "out", self.work / "err"
        with open(out, "wb") as out_file, open(err, "wb") as err_file:
            popen = {"stdin": subprocess.DEVNULL, "stdout": out_file, "stderr": err_file, **popen}
            command = [*before, program or self.program, *args]
            try:
                status = subprocess.run(command, cwd=cwd, env=self.environment(env, display),
                                        timeout=timeout, **popen).returncode
            except subprocess.TimeoutExpired:
                pytest.fail(f"{command[0]} did not end within {timeout} s")
        return types.SimpleNamespace(
            status=status, out=out.read_bytes() if popen["stdout"] is out_file else None,
            err=err.read_bytes() if popen["stderr"] is err_file else None,
            opened=[call.argv for call in self.calls("xdg-open")])


@pytest.fixture
def work(tmp_path, build_dir):
    """A fresh folder of the test's own with the built program copied to "app dir"/mailto."""
    if not (build_dir / "mailto").exists():
        pytest.fail(f"{build_dir / 'mailto'} has not been built")
    (tmp_path / "app dir").mkdir()
    shutil.copy2(build_dir / "mailto", tmp_path / "app dir" / "mailto")
    return tmp_path


@pytest.fixture
def native(work):
    """A Native over work; at the end, stand-ins are released, killed after 5 s."""
    native = Native(work)
    yield native
    native.release()
    deadline = time.monotonic() + 5
    while (running := [p for p in native.records.glob("*.*.started")
                       if not p.with_suffix(".ended").exists()]) and time.monotonic() < deadline:
        time.sleep(0.05)
    for started in running:
        with contextlib.suppress(ProcessLookupError):
            os.kill(int(started.with_suffix("").suffix[1:]), signal.SIGKILL)


@pytest.fixture(scope="session")
def strace():
    """The path of strace; skips where it is missing or cannot trace here (no ptrace, no -b)."""
    path = shutil.which("strace")
    if path is None:
        pytest.skip("strace is not installed (tests/install.sh installs it)")
    if subprocess.run([path, "-f", "-b", "execve", "-o", "/dev/null", "true"]).returncode:
        pytest.skip("strace cannot trace here (ptrace not allowed, or no -b execve)")
    return path

"""The native program's real part: a work folder with the program copied in, recording stand-ins
for the opener and the dialog programs on a private PATH, strace, and one way to run them all."""
import contextlib
import os
import pathlib
import re
import shutil
import signal
import subprocess
import types

import pytest

from parts.waiting import wait_until

# The stand-in: records how it was started, then behaves as its files in the records folder say.
# The shell reads its signal state itself (while it waits for a program it runs, it blocks
# signals) and lists its descriptors from a subshell, where no redirection of its own shows.
STAND_IN = r"""#!/bin/sh
r="{records}/{name}.$$"
: > "$r.started"
while read -r k v; do case $k in SigBlk: | SigIgn:) echo "$k $v" ;; esac
done </proc/$$/status >"$r.signals"
({ls} -l /proc/$$/fd/) >"$r.fds"
printf '%s\0' "$@" >"$r.args"; pwd >"$r.cwd"; {env} -0 >"$r.env"
{cat} >"$r.input"; : >"$r.recorded"
{cat} "{records}/{name}.say" >&2; i=0
while [ {hold} = 1 ] && [ ! -e "{records}/release" ] && [ $i -lt 300 ]; do
    i=$((i + 1)); {sleep} 0.1
done
: >"$r.ended"; exit {status}
"""


def listing(folder):
    """Each entry under folder with its mode, size and times, to see that nothing changed."""
    return sorted((str(p), s.st_mode, s.st_size, s.st_mtime_ns, s.st_ctime_ns)
                  for p in folder.rglob("*") for s in [os.lstat(p)])


def parse_record(prefix, script):
    """One run of a stand-in from its files PREFIX.*: argv, cwd, fds, signal masks, env, input."""
    def read(what):
        return pathlib.Path(f"{prefix}.{what}").read_bytes()
    fds = {int(n): t for n, t in re.findall(rb"^\S+ .* (\d+) -> (.*)$", read("fds"), re.M)
           if t != os.fsencode(script)}
    masks = dict(line.split() for line in read("signals").splitlines())
    return types.SimpleNamespace(
        argv=read("args").split(b"\0")[:-1], cwd=read("cwd").rstrip(b"\n"), fds=fds,
        streams=tuple(fds.get(n) for n in range(3)), ignored=int(masks[b"SigIgn:"], 16),
        blocked=int(masks[b"SigBlk:"], 16), input=read("input"),
        env=dict(v.partition(b"=")[::2] for v in read("env").split(b"\0") if v),
        ended=pathlib.Path(f"{prefix}.ended").exists())


class Native:
    """The built program copied to work/"app dir"/mailto; stand_ins, the whole PATH of its runs."""

    def __init__(self, work, built):
        self.work, self.records, self.stand_ins = work, work / "records", work / "stand-ins"
        self.program = work / "app dir" / "mailto"
        for folder in (self.records, self.stand_ins, self.program.parent):
            folder.mkdir()
        shutil.copy2(built, self.program)
        self.stand_in("xdg-open")

    def stand_in(self, name, status=0, hold=False, say=b""):
        """Puts a stand-in NAME on PATH; returns its path. It writes say to its standard error,
        with hold stays until records/release appears (30 s at most), exits with status."""
        (self.records / f"{name}.say").write_bytes(say)
        tools = {tool: shutil.which(tool) for tool in ("ls", "env", "cat", "sleep")}
        (path := self.stand_ins / name).write_text(STAND_IN.format(
            records=self.records, name=name, status=status, hold=int(hold), **tools))
        path.chmod(0o755)
        return path

    def calls(self, name):
        """The runs of the stand-in NAME since run() began, in the order they started."""
        started = sorted(self.records.glob(f"{name}.*.started"), key=lambda p: p.stat().st_mtime_ns)
        for path in started:
            wait_until(path.with_suffix(".recorded").exists, f"{path.stem} to record")
        return [parse_record(p.with_suffix(""), self.stand_ins / name) for p in started]

    def run(self, *args, program=None, before=(), env=None, **popen):
        """Runs program (the copied one by default) with args after the command before, from /,
        PATH the stand-ins, env over it (None removes a name); gives status, out, err, opened."""
        for old in [*self.records.glob("*.*.*"), self.records / "release"]:
            old.unlink(missing_ok=True)
        sanitizers = {k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")}
        env = {k: v for k, v in {**sanitizers, "PATH": str(self.stand_ins), **(env or {})}.items()
               if v is not None}
        command = [*before, program or self.program, *args]
        out, err = self.work / "out", self.work / "err"
        with open(out, "wb") as out_file, open(err, "wb") as err_file:
            popen = {"stdin": subprocess.DEVNULL, "stdout": out_file, "stderr": err_file, **popen}
            try:
                status = subprocess.run(command, cwd="/", env=env, timeout=120, **popen).returncode
            except subprocess.TimeoutExpired:
                pytest.fail(f"{command[0]} did not end within 120 s")
        return types.SimpleNamespace(
            status=status, out=out.read_bytes() if popen["stdout"] is out_file else None,
            err=err.read_bytes() if popen["stderr"] is err_file else None,
            opened=[call.argv for call in self.calls("xdg-open")])


@pytest.fixture
def native(tmp_path, build_dir):
    """A Native over a fresh folder; at the end, stand-ins still running are killed."""
    native = Native(tmp_path, build_dir / "mailto")
    yield native
    for started in native.records.glob("*.*.started"):
        if not started.with_suffix(".ended").exists():
            with contextlib.suppress(ProcessLookupError):
                os.kill(int(started.with_suffix("").suffix[1:]), signal.SIGKILL)


def skip_if_sanitized(native, reason):
    """Skips the test, saying why (reason), where the program is built with AddressSanitizer."""
    if b"__asan_init" in native.program.read_bytes():
        pytest.skip(reason)


def under_strace(strace, trace, *options):
    """Native.run's options for a run under strace (following forks, quiet, then options) that
    writes its trace to the file trace."""
    # The leak checker of a sanitizer build stops the process in a way that cannot run under ptrace.
    leaks = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    return {"before": [strace, "-f", "-qq", *options, "-o", trace], "env": {"ASAN_OPTIONS": leaks}}


@pytest.fixture(scope="session")
def strace():
    """The path of strace; skips where it is missing or cannot trace here (no ptrace, no -b)."""
    path = shutil.which("strace")
    if path is None:
        pytest.skip("strace is not installed (tests/install.sh installs it)")
    if subprocess.run([path, "-f", "-b", "execve", "-o", "/dev/null", "true"]).returncode:
        pytest.skip("strace cannot trace here (ptrace not allowed, or no -b execve)")
    return path

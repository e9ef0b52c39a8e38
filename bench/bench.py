#!/usr/bin/env python3
"""bench.py: mailto against the floor of any launcher and against the alternatives; no limits.

    bench/bench.py [BUILD-DIR [RUNS]]    # BUILD-DIR: a native build (build/native); RUNS: 300

Needs hyperfine, strace, GNU time, valgrind, xdg-utils and a C++ compiler with static libraries."""
import json, os, pathlib, shlex, shutil, statistics, subprocess, sys, tempfile

SOURCE = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(SOURCE / "tests"))
from parts.worst_case import worst_case  # noqa: E402

A, QUIET = "someone@example.com", {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
ONE, REQUEST = f"mailto:{A}", f"mailto:{A}?subject=s"


def tables(w, build):
    """Builds the floor and the stub in W; returns tables: title, stub status, rows to measure."""
    for program, source in ("floor", "floor"), ("xdg-open", "stub_opener"):
        subprocess.run(["c++", "-O2", "-static", "-o", w / program, SOURCE / f"bench/{source}.cpp"],
                       check=True)
    # Named alike, the floor and mailto get command lines of one length from the same arguments.
    mailto, floor = str(shutil.copy(build / "mailto", w / "built")), str(w / "floor")
    worst = worst_case(mailto, address=A)
    return [("one argument", 1, [("floor", [floor, A], ONE), ("mailto", [mailto, A], ONE)]),
            ("32,767 bytes", 1, [("floor", [floor] + worst.argv[1:], ONE),
                                 ("mailto", worst.argv, worst.request)]),
            ("the alternatives", 0, [("opener alone", [str(w / "xdg-open"), REQUEST], REQUEST),
                                     ("mailto", [mailto, A, "s"], REQUEST),
                                     ("xdg-email", ["xdg-email", "--subject", "s", A], REQUEST)])]


def measure(w, env, argv, want):
    """Checks ARGV's request; returns its peak memory (KiB, its or a waited-for child's: GNU time's
    maximum over five runs) and the programs it starts, itself included."""
    (w / "got").write_text("nothing")
    for i in range(5):
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", w / f"kib{i}"] + argv, env=env, **QUIET)
    if (w / "got").read_text() != want:
        sys.exit(f"bench.py: {argv[0]} handed the stub {(w / 'got').read_text()[:60]!r}")
    subprocess.run(["strace", "-f", "-e", "execve", "-o", w / "exec"] + argv, env=env, **QUIET)
    return (max(int((w / f"kib{i}").read_text().split()[-1]) for i in range(5)),
            (w / "exec").read_text().count(" = 0\n"))


def table(w, env, title, rows, runs):
    # Ten hyperfine calls take turns, so that a change of load falls on every command alike.
    sizes = [measure(w, env, argv, want) for _, argv, want in rows]
    times = [[] for _ in rows]
    named = [word for name, argv, _ in rows for word in ("-n", name, shlex.join(argv))]
    for _ in range(10):
        subprocess.run(["hyperfine", "-N", "--style", "none", "--warmup", "3", "--runs",
                        str(runs // 10), "--export-json", w / "t.json"] + named, env=env,
                       check=True)
        for i, result in enumerate(json.loads((w / "t.json").read_text())["results"]):
            times[i] += result["times"]
    print(f"\n{title}, the opener exiting with {env['STUB_STATUS']}:\n\n"
          f"| command | median | × {rows[0][0]} | peak memory | programs |\n" + "|---" * 5 + "|")
    for (name, _, _), t, (kib, programs) in zip(rows, times, sizes):
        ratio = statistics.median(t) / statistics.median(times[0])
        print(f"| {name} | {statistics.median(t) * 1e3:.3f} ms | {ratio:.3f} | "
              f"{kib / 1024:.1f} MiB | {programs} |")


def instructions(w, env, argv):
    """The instructions the command ARGV runs, as callgrind counts them: the same for the same
    binary and input whatever the machine's load."""
    subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={w}/cg"] + argv,
                   env=env, **QUIET)
    return int((w / "cg").read_text().split("\nsummary: ")[1].split()[0])


def main(build, runs):
    print(f"{os.cpu_count()} cores, Linux {os.uname().release}, load {os.getloadavg()[0]:.2f}")
    with tempfile.TemporaryDirectory() as work:
        env = {"HOME": work, "PATH": f"{work}:/usr/bin:/bin", "LANG": "C.UTF-8",
               "XDG_CURRENT_DESKTOP": "X-Generic", "STUB_RECORD": f"{work}/got"}
        for title, status, rows in tables(pathlib.Path(work), build):
            table(pathlib.Path(work), dict(env, STUB_STATUS=str(status)), title, rows, runs)
            if title == "32,767 bytes":
                count = instructions(pathlib.Path(work), dict(env, STUB_STATUS="1"), rows[1][1])
                print(f"\nmailto at 32,767 bytes: {count:,} instructions (callgrind; aim: at "
                      "most 2,000,000)")
    kind = (build / "CMakeCache.txt").read_text().split("CMAKE_BUILD_TYPE:STRING=")[1].split()[0]
    print(f"\ncommand_line_bench, a {kind} build (Debian's Google Benchmark library warns that it "
          "was built as DEBUG: it is built without NDEBUG):", flush=True)
    subprocess.run([build / "command_line_bench"], check=True)


main(pathlib.Path(sys.argv[1] if sys.argv[1:] else SOURCE / "build/native").resolve(),
     int(sys.argv[2]) if sys.argv[2:] else 300)

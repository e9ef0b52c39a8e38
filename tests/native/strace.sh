#!/usr/bin/env bash
# strace.sh: shows with strace that a run of the native binary creates, changes, renames or
# deletes no file and runs no shell: its one exec is of the opener, with the request as one
# argument. A listing of the program's folder with its timestamps, taken before and after each
# run, must not change either. Skips (77) where strace is missing or cannot trace.
set -u
binary=${1:?usage: strace.sh path/to/mailto}

command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
command -v python3 >/dev/null || { echo "python3 is not installed"; exit 77; }
strace -f -o /dev/null true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }

# The leak checker of a sanitizer build stops the process in a way that cannot run under ptrace.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

source "$(dirname "$0")/harness.sh"
app="$work/app folder"
mkdir -p "$app" "$work/traces"
cp "$binary" "$app/mailto"
program="$app/mailto"
strace=$(command -v strace)

# The program's folder: kind, mode, size, last change of data and of the inode, and name.
listing() {
    find "$app" -printf '%y %m %s %T@ %C@ %P\n' | LC_ALL=C sort
}

# Reads the per-process traces and prints one line per exec the program made (the path and the
# arguments as a JSON list of strings, a byte per character) or one line "VIOLATION ..." per
# forbidden call. Only the mailto process, and its child until that child runs the opener, are
# held to this: the fake opener writes its records.
analyse() {
    python3 - "$1" "$program" <<'PY'
import glob, json, re, sys

prefix, program = sys.argv[1], sys.argv[2]
forbidden = {"creat", "unlink", "unlinkat", "rename", "renameat", "renameat2", "mkdir",
             "mkdirat", "rmdir", "link", "linkat", "symlink", "symlinkat", "truncate",
             "ftruncate", "mknod", "mknodat"}
writing = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC")
call = re.compile(r"^(\w+)\((.*)\) += (-?\w+)")
text = re.compile(r'"((?:\\x[0-9a-f]{2})*)"')

def decode(literal):
    return bytes.fromhex(literal.replace("\\x", "")).decode("latin-1")

def calls(pid):
    try:
        f = open(f"{prefix}.{pid}", encoding="latin-1")
    except FileNotFoundError:
        print(f"VIOLATION process {pid} escaped the trace")
        return
    with f:
        for line in f:
            m = call.match(line)
            if m:
                yield m.group(1), m.group(2), m.group(3)

def check(pid, name, args, result):
    if name in forbidden:
        print(f"VIOLATION {pid} {name}({args[:200]}) = {result}")
    if name in ("open", "openat", "openat2") and writing.search(args):
        print(f"VIOLATION {pid} {name}({args[:200]}) = {result}")

pids = [p.rsplit(".", 1)[1] for p in glob.glob(prefix + ".*")]
main = [p for p in pids
        if next((decode(text.search(a).group(1)) == program for n, a, r in calls(p)
                 if n == "execve" and r == "0"), False)]
if len(main) != 1:
    print(f"VIOLATION no single process started the program: {main}")
    sys.exit()
children = []
execs = 0
for name, args, result in calls(main[0]):
    check(main[0], name, args, result)
    if name in ("clone", "clone3", "fork", "vfork") and result.isdigit():
        children.append(result)
    execs += name in ("execve", "execveat") and result == "0"
if execs != 1:
    print(f"VIOLATION the program's own process ran {execs - 1} more programs")
for child in children:
    for name, args, result in calls(child):
        if name in ("execve", "execveat") and result == "0":
            print(json.dumps([decode(s) for s in text.findall(args)]))
            break
        check(child, name, args, result)
        if name in ("clone", "clone3", "fork", "vfork"):
            print(f"VIOLATION {child} started a process before it ran a program")
PY
}

# Runs the program under strace as the harness runs it: the fake opener, no graphical session.
traced_run() {
    rm -f "$work/traces/"*
    before=$(listing)
    RUN_TIMEOUT=60 run_program "$strace" -f -ff -qq -xx -s 100000 \
        -e trace=%file,%process,ftruncate -o "$work/traces/trace" "$program" "$@"
    after=$(listing)
    execs=$(analyse "$work/traces/trace")
}

# expect_trace name exit-status expected-exec-line...: no violation, the listing unchanged, and
# exactly the execs given (none when no line is given).
expect_trace() {
    local name=$1 want_status=$2
    shift 2
    local want_execs=""
    [ $# -gt 0 ] && want_execs=$(printf '%s\n' "$@")
    local before_failed=$failed
    [ "$status" == "$want_status" ] || fail "$name: exit status $status, expected $want_status"
    [ "$before" == "$after" ] ||
        fail "$name: the program's folder changed:$(diff <(echo "$before") <(echo "$after"))"
    local violations run
    violations=$(grep '^VIOLATION' <<<"$execs")
    run=$(grep -v '^VIOLATION' <<<"$execs")
    [ -z "$violations" ] || fail "$name: $violations"
    [ "$run" == "$want_execs" ] || fail "$name: programs run: [$run], expected [$want_execs]"
    [ "$failed" -eq "$before_failed" ] && passed=$((passed + 1))
}

# The one exec expected: the fake opener, named as the program asked for it, and the request.
opener_exec() {
    python3 -c 'import json, os, sys
print(json.dumps([os.fsencode(a).decode("latin-1") for a in sys.argv[1:]]))' \
        "$work/opener/xdg-open" xdg-open "$1"
}

traced_run 'a@b.c' 'Hi`1there'
expect_trace "successful open" 0 "$(opener_exec 'mailto:a@b.c?subject=Hi there')"

traced_run '$(touch x);`id`|sh' $'-e\'\\\x80\xff' '/error=x'
expect_trace "shell metacharacters" 0 "$(opener_exec $'mailto:$(touch x);`id`|sh?subject=-e\'\\\x80\xff')"

FAKE_STATUS=3 traced_run 'addr' 'subj' '/error=Failed'
expect_trace "failed open" 0 "$(opener_exec 'mailto:addr?subject=subj')"
grep -q '^Failed' <<<"$errors" || fail "failed open: no failure message"

traced_run
expect_trace "missing address" 0
grep -qx 'Error - No e-mail address defined' <<<"$errors" ||
    fail "missing address: no message for the missing address"

printf '[EMAIL]\nAddress=ini@b.c\nSubject=From the file\n' > "$app/mailto.ini"
traced_run
expect_trace "settings route" 0 "$(opener_exec 'mailto:ini@b.c?subject=From the file')"

printf '[EMAIL]\nAddress=ini@b.c\nError=Not<#0D><#0A>opened\n' > "$app/mailto.ini"
FAKE_STATUS=1 traced_run
expect_trace "settings route, failed open" 0 "$(opener_exec 'mailto:ini@b.c')"
grep -q '^Not' <<<"$errors" || fail "settings route, failed open: no failure message"

rm "$app/mailto.ini"
printf '[EMAIL]\nAddress=shared@b.c\n' > "$app/VANTIK.INI"
traced_run
expect_trace "shared settings file" 0 "$(opener_exec 'mailto:shared@b.c')"

finish

#!/usr/bin/env bash
# caller.sh: the native binary never holds its caller, and survives a reader that has gone. A
# stand-in opener that stays until it is released (as xdg-open does while a mail program runs in
# the foreground) must not keep a caller that reads mailto's output through a pipe or a socket
# from seeing end-of-file; where standard error is a terminal or a file, the opener's diagnostics
# still reach it; the opener never reads the caller's input; a run whose reader has gone ends
# with the ordinary status and still shows its dialog; and the programs started get every signal
# at its default, unblocked.
set -u
binary=${1:?usage: caller.sh path/to/mailto}

command -v python3 >/dev/null || { echo "python3 is not installed"; exit 77; }
# The interpreter itself, which runs with the stand-ins' PATH (python3 may be a wrapper).
python=$(python3 -c 'import sys; print(sys.executable)')
source "$(dirname "$0")/harness.sh"
mkdir -p "$work/app"
cp "$binary" "$work/app/mailto"
program="$work/app/mailto"
stand_in "$work/stand-ins" xdg-open
stand_in "$work/stand-ins" zenity
diagnostics="xdg-open: no method available for opening 'mailto:a@b'"

# The environment of every run: the stand-ins first on PATH, a display for the dialog.
set_up() {
    rm -f "$record".*.* "$record.release"
    run_env=(env -u WAYLAND_DISPLAY DISPLAY=:9 PATH="$work/stand-ins:$opener_path"
        FAKE_RECORD="$record" FAKE_SAY="$diagnostics" "$timeout_command" 60)
}

# Whether the held opener was still running: the caller got end-of-file before it ended.
opener_state() {
    if [ ! -e "$record.xdg-open.args" ]; then echo "not started"
    elif [ -e "$record.xdg-open.ended" ]; then echo "ended"
    else echo "running"; fi
}

# Lets the held opener end, and waits until it has.
release() {
    touch "$record.release"
    for _ in $(seq 100); do
        [ -e "$record.xdg-open.ended" ] && return
        sleep 0.1
    done
}

# held NAME STREAMS: checks a run whose opener is held: still running when the caller got
# end-of-file, where its standard streams led (a pattern), and that it read no input.
held() {
    check "$1" "opener still running at end-of-file" running "$(opener_state)"
    release
    [[ "$(recorded xdg-open streams | tr '\n' ' ')" == $2 ]] ||
        fail "$1: the opener's streams led to $(recorded xdg-open streams | tr '\n' ' ')"
    check "$1" "opener's input" "" "$(recorded xdg-open input)"
}

# capture MODE ARGUMENTS...: runs a command with its standard output and error on a socket or a
# terminal, as Python gives them, and prints what it read (from a socket, up to end-of-file;
# from a terminal, what is there once the command has ended).
capture() {
    python3 - "$@" <<'PY'
import os, pty, select, socket, subprocess, sys
mode, command = sys.argv[1], sys.argv[2:]
if mode == "socket":
    mine, theirs = socket.socketpair()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=theirs, stderr=theirs)
    theirs.close()
    data = b""
    while chunk := mine.recv(4096):
        data += chunk
else:
    mine, theirs = pty.openpty()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=theirs, stderr=theirs)
    os.close(theirs)
    child.wait()
    data = b""
    while select.select([mine], [], [], 1)[0]:
        chunk = os.read(mine, 4096)
        if not chunk:
            break
        data += chunk
child.wait()
sys.stdout.buffer.write(data)
PY
}

set_up
out=$(printf 'caller input' | FAKE_HOLD=1 "${run_env[@]}" "$program" a@b 2>&1)
held "output and error captured through a pipe" "/dev/null /dev/null /dev/null "
check "pipe" "nothing read" "" "$out"

set_up
out=$(FAKE_HOLD=1 "${run_env[@]}" "$program" a@b 2>"$work/error file" </dev/null)
held "output through a pipe, error to a file" "/dev/null /dev/null $work/error file "
check "error to a file" "the opener's diagnostics" "$diagnostics" "$(cat "$work/error file")"

set_up
out=$(FAKE_HOLD=1 capture socket "${run_env[@]}" "$program" a@b)
held "output and error on a socket" "/dev/null /dev/null /dev/null "

set_up
out=$(FAKE_HOLD=1 capture terminal "${run_env[@]}" "$program" a@b)
held "output and error on a terminal" "/dev/null /dev/pts/* /dev/pts/* "
[[ "$out" == *"$diagnostics"* ]] || fail "terminal: the opener's diagnostics are missing: $out"

# A reader that has gone before anything is written.
for route in "no address" "failed open"; do
    set_up
    arguments=()
    [ "$route" == "failed open" ] && arguments=(a@b)
    { sleep 0.2; FAKE_STATUS=1 "${run_env[@]}" "$program" "${arguments[@]}"; } 2>&1 | true
    check "reader gone, $route" "exit status" 0 "${PIPESTATUS[0]}"
    check "reader gone, $route" "dialog shown" "ended" \
        "$([ -e "$record.zenity.ended" ] && echo ended)"
    check "reader gone, $route" "the dialog's streams" $'/dev/null\n/dev/null\n/dev/null' \
        "$(recorded zenity streams)"
done

# A caller that ignores and blocks signals: the opener and the dialog get none of that. Signals
# 32 and 33 are the C library's own, which it leaves ignored in every program it starts.
set_up
FAKE_STATUS=1 "${run_env[@]}" "$python" -c '
import os, signal, sys
for ignored in (signal.SIGPIPE, signal.SIGINT, signal.SIGHUP, signal.SIGQUIT, signal.SIGTERM):
    signal.signal(ignored, signal.SIG_IGN)
signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1, signal.SIGTERM, signal.SIGCHLD})
os.execv(sys.argv[1], sys.argv[1:])' "$program" a@b >/dev/null 2>&1
for name in xdg-open zenity; do
    signals=$(recorded "$name" signals)
    ignored=$(sed -n 's/^SigIgn:\s*//p' <<<"$signals")
    check "caller's signals" "$name: signals ignored" 0 "$((0x${ignored:-1} & ~0x180000000))"
    check "caller's signals" "$name: signals blocked" "SigBlk:	0000000000000000" \
        "$(grep SigBlk <<<"$signals")"
done

finish

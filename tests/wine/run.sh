#!/bin/bash
# run.sh: end-to-end tests of mailto.exe under Wine: the real Win32 calls seen through the relay
# trace, the request seen by a recording mail handler, message boxes dismissed under Xvfb.
# Usage: run.sh MAILTO.EXE RUNNER.EXE RECORDER.EXE [CASES]   (0 passed, 1 failed, 77 cannot run)
#   CASES: the function of cases.sh that runs them; all_cases unless given.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/session.sh"
. "$HERE/cases.sh"

MAILTO=$1 RUNNER=$2 RECORDER=$3 RUN_CASES=${4:-all_cases}
CASE_TIMEOUT=${CASE_TIMEOUT:-30}
RELAYED="SetCurrentDirectoryA;GetClassInfoA;UnregisterClassA;RegisterClassA;CreateWindowExA"
RELAYED="$RELAYED;ShowWindow;ShellExecuteA;MessageBoxA;DestroyWindow;GetPrivateProfileStringA"
RELAYED="$RELAYED;FindFirstFileA"
CASES=0
FAILED=()

setup() {
    wine_session_start "$MAILTO"
    APP="$DRIVE_C/t/app"
    mkdir -p "$APP"
    cp "$MAILTO" "$APP/mailto.exe"
    IMAGE_BASE=$(pe_image_base "$MAILTO")
    wine_install_stand_ins "$RUNNER" "$RECORDER"
    wine_hold_desktop
    wine_import_reg <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Debug]
"RelayInclude"="$RELAYED"
"RelayFromInclude"="mailto.exe"
EOF
}

# launch LINE [APPLICATION]: runs mailto.exe on exactly the command line LINE through the runner,
# from the folder above its own; sets STATUS and writes calls.txt.
launch() {
    printf '%s' "$1" | tee "$CASE_DIR/command_line" >"$DRIVE_C/t/cmd.txt"
    local args=('C:\t\runner.exe' 'C:\t\cmd.txt')
    [ $# -ge 2 ] && args+=("$2")
    launch_in "$DRIVE_C/t" "${args[@]}"
}

# launch_in FOLDER WINE-ARGUMENT...: runs Wine on the arguments from the Unix FOLDER, with the
# relay trace on and the environment LAUNCH_ENV (KEY=VALUE words) added, dismissing message boxes;
# sets STATUS and writes calls.txt.
launch_in() {
    local folder=$1
    shift
    rm -f "$DRIVE_C/rec/record.txt"
    : >"$CASE_DIR/trace.log"
    echo "${LAUNCH_ENV:-}${LAUNCH_ENV:+ }wine $* (in ${folder#"$DRIVE_C"/})" >"$CASE_DIR/started"
    # WINE_DEBUG_EXTRA adds channels when looking into a failure, ",+timestamp" for one.
    (cd "$folder" && env ${LAUNCH_ENV:-} WINEDEBUG=+relay${WINE_DEBUG_EXTRA:-} \
        timeout "$CASE_TIMEOUT" "$WINE" "$@" </dev/null >"$CASE_DIR/out.log" 2>"$CASE_DIR/trace.log"
     echo $? >"$CASE_DIR/status") &
    local job=$!
    wine_dismiss_boxes "$job" "$CASE_DIR/trace.log"
    kill "$job" 2>/dev/null
    wait "$job" 2>/dev/null
    STATUS=$(cat "$CASE_DIR/status" 2>/dev/null || echo none)
    python3 "$HERE/relay_calls.py" "$CASE_DIR/trace.log" "$IMAGE_BASE" >"$CASE_DIR/calls.txt"
}

# --- Checks; each marks the current case failed with a reason ------------------------------------

# Each case keeps its trace, calls and output in a folder of its own.
begin_case() {
    CASE_NAME=$1 CASE_FAILED=0 CASE_START=$SECONDS
    CASES=$((CASES + 1))
    CASE_DIR="$SESSION_DIR/cases/$CASES-$1"
    mkdir -p "$CASE_DIR"
}

end_case() {
    if [ $CASE_FAILED = 0 ]; then
        echo "ok   $CASE_NAME ($((SECONDS - CASE_START)) s)"
    else
        FAILED+=("$CASE_NAME")
        echo "     started: $(cat "$CASE_DIR/started")"
        [ ! -e "$CASE_DIR/command_line" ] ||
            echo "     command line: $(od -An -c "$CASE_DIR/command_line" | tr -s ' ' | head -c 400)"
        echo "     calls seen:"
        sed 's/^/       /' "$CASE_DIR/calls.txt"
        grep -E 'err:|wine: ' "$CASE_DIR/trace.log" | head -5 | sed 's/^/     wine: /'
    fi
}

expect_status() {
    [ "$STATUS" = "$1" ] || fail "exit status $STATUS, expected $1"
}

# Compares the traced calls with the lines given.
expect_calls() {
    local difference
    if ! difference=$(diff <(printf '%s\n' "$1") "$CASE_DIR/calls.txt"); then
        fail "calls differ from the expected ones (< expected, > seen):"
        echo "$difference" | sed 's/^/       /'
    fi
}

# Waits for the recording handler and compares the command line it was given.
expect_record() {
    if ! wine_wait_record; then
        fail "the mail handler was not started"
    elif [ "$(od -An -tx1 "$DRIVE_C/rec/record.txt")" != "$(printf '%s' "$1" | od -An -tx1)" ]; then
        fail "the mail handler got [$(cat -v "$DRIVE_C/rec/record.txt")]," \
            "expected [$(printf '%s' "$1" | cat -v)]"
    fi
}

expect_no_record() {
    [ ! -e "$DRIVE_C/rec/record.txt" ] || fail "the mail handler was started"
}

expect_boxes() {
    [ "$BOXES" = "$1" ] || fail "$BOXES message boxes were dismissed, expected $1"
    [ "$STRAY" = 0 ] || fail "a window of the program was visible outside a message box"
}

setup
"$RUN_CASES"
echo "$((CASES - ${#FAILED[@]})) of $CASES Wine cases passed"
[ ${#FAILED[@]} = 0 ] || { echo "failed: ${FAILED[*]}"; exit 1; }

#!/bin/bash
# run.sh: end-to-end tests of mailto.exe under Wine: the real Win32 calls seen through the relay
# trace, the request seen by a recording mail handler, message boxes dismissed under Xvfb.
# Usage: run.sh MAILTO.EXE RUNNER.EXE RECORDER.EXE   (exit 0 passed, 1 failed, 77 cannot run)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/session.sh"
. "$HERE/cases.sh"

MAILTO=$1 RUNNER=$2 RECORDER=$3
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

# Dismisses each message box once the trace shows its call and its window is visible, and counts
# visible windows of the program that were never a message box's.
watch_windows() {
    local job=$1 trace="$CASE_DIR/trace.log" ticks=0 sent=-100 calls rets visible boxes=" " id
    BOXES=0 STRAY=0
    while kill -0 "$job" 2>/dev/null && [ $ticks -lt $((CASE_TIMEOUT * 10 + 50)) ]; do
        # Windows first: a box seen now had its call traced before.
        visible=$(xdotool search --onlyvisible --class '^mailto\.exe$' 2>/dev/null)
        calls=$(grep -c ':Call [[:alnum:]_.]*\.MessageBoxA(' "$trace")
        rets=$(grep -c ':Ret  *[[:alnum:]_.]*\.MessageBoxA(' "$trace")
        echo "$ticks calls=$calls rets=$rets visible=" $visible >>"$CASE_DIR/watch.log"
        if [ -n "$visible" ] && [ "$calls" -gt "$rets" ]; then
            for id in $visible; do boxes="$boxes$id "; done
            if [ $((ticks - sent)) -ge 10 ]; then
                [ "$calls" -gt "$BOXES" ] && BOXES=$calls
                # Through the focus (XTEST): a key sent to the window as a synthetic event
                # leaves Wine's key state behind, and later boxes close by themselves.
                xdotool windowfocus "${visible%%[[:space:]]*}" key Return 2>/dev/null
                echo "$ticks sent Return" >>"$CASE_DIR/watch.log"
                sent=$ticks
            fi
        else
            # A box's window may still be mapped for a moment after its call returned.
            for id in $visible; do
                [[ "$boxes" == *" $id "* ]] || STRAY=$((STRAY + 1))
            done
        fi
        sleep 0.1
        ticks=$((ticks + 1))
    done
}

# launch LINE [APPLICATION]: runs mailto.exe on exactly the command line LINE through the runner,
# from the folder above its own; sets STATUS and writes calls.txt.
launch() {
    printf '%s' "$1" >"$DRIVE_C/t/cmd.txt"
    rm -f "$DRIVE_C/rec/record.txt"
    : >"$CASE_DIR/trace.log"
    local args=('C:\t\runner.exe' 'C:\t\cmd.txt')
    [ $# -ge 2 ] && args+=("$2")
    # WINE_DEBUG_EXTRA adds channels when looking into a failure, ",+timestamp" for one.
    (cd "$DRIVE_C/t" && WINEDEBUG=+relay${WINE_DEBUG_EXTRA:-} \
        timeout "$CASE_TIMEOUT" "$WINE" "${args[@]}" </dev/null >"$CASE_DIR/out.log" 2>"$CASE_DIR/trace.log"
     echo $? >"$CASE_DIR/status") &
    local job=$!
    watch_windows "$job"
    kill "$job" 2>/dev/null
    wait "$job" 2>/dev/null
    STATUS=$(cat "$CASE_DIR/status" 2>/dev/null || echo none)
    python3 "$HERE/relay_calls.py" "$CASE_DIR/trace.log" "$IMAGE_BASE" >"$CASE_DIR/calls.txt"
}

# --- Checks; each marks the current case failed with a reason ------------------------------------

# Each case keeps its trace, calls and window log in a folder of its own.
begin_case() {
    CASE_NAME=$1 CASE_OK=1 CASE_START=$SECONDS
    CASES=$((CASES + 1))
    CASE_DIR="$SESSION_DIR/cases/$CASES-$1"
    mkdir -p "$CASE_DIR"
}

fail() {
    echo "FAIL $CASE_NAME: $*"
    CASE_OK=0
}

end_case() {
    if [ $CASE_OK = 1 ]; then
        echo "ok   $CASE_NAME ($((SECONDS - CASE_START)) s)"
    else
        FAILED+=("$CASE_NAME")
        echo "     command line: $(od -An -c "$DRIVE_C/t/cmd.txt" | tr -s ' ' | head -c 400)"
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
    local record="$DRIVE_C/rec/record.txt" waited=0
    while [ ! -e "$record" ] && [ $waited -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if [ ! -e "$record" ]; then
        fail "the mail handler was not started"
    elif [ "$(od -An -tx1 "$record")" != "$(printf '%s' "$1" | od -An -tx1)" ]; then
        fail "the mail handler got [$(cat -v "$record")], expected [$(printf '%s' "$1" | cat -v)]"
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
run_all_cases
echo "$((CASES - ${#FAILED[@]})) of $CASES Wine cases passed"
[ ${#FAILED[@]} = 0 ] || { echo "failed: ${FAILED[*]}"; exit 1; }

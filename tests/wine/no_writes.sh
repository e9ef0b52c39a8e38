#!/bin/bash
# no_writes.sh: proves under Wine that a run of mailto.exe creates, changes or deletes no file: a
# listing of the whole prefix (the program's folder included) with sizes and modification times
# before and after each run, the Wine server stopped on both sides so that it has written all it
# holds; what differs must also differ after a run of a program that does nothing. The registry
# files, which the server rewrites whenever it ends, are compared key by key as well.
# Usage: no_writes.sh MAILTO.EXE RUNNER.EXE RECORDER.EXE IDLE.EXE   (0 passed, 1 failed, 77 no run)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/session.sh"

MAILTO=$1 RUNNER=$2 RECORDER=$3 IDLE=$4
CASE_TIMEOUT=${CASE_TIMEOUT:-30}
RUN_FAILED=0

setup() {
    wine_session_start "$MAILTO"
    APP="$DRIVE_C/t/app"
    mkdir -p "$APP"
    cp "$MAILTO" "$APP/mailto.exe"
    cp "$IDLE" "$APP/idle.exe"
    wine_install_stand_ins "$RUNNER" "$RECORDER"
    # The session's server stays until told; from here on each run starts and ends its own.
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    timeout 60 "$WINESERVER" -w >/dev/null 2>&1
}

# Waits for the Wine server to end once its last program has, saving the registry files as it
# exits; ends it when it does not.
stop_wine() {
    timeout 60 "$WINESERVER" -w >/dev/null 2>&1 && return
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    timeout 60 "$WINESERVER" -w >/dev/null 2>&1
}

# Every file and folder of the prefix with its size and modification time. The folder of the
# stand-in mail program is left out: what it writes is that program's doing.
listing() {
    find "$WINEPREFIX" -path "$DRIVE_C/rec" -prune -o -printf '%p %s %T@\n' | LC_ALL=C sort
}

# The paths whose line differs between two listings: created, deleted or changed.
changed_paths() {
    diff "$1" "$2" | sed -n 's/^[<>] \(.*\) [0-9]* [0-9.]*$/\1/p' | LC_ALL=C sort -u
}

# The registry as the Wine server saved it, one line per key, per value (a value continued over
# lines in one) and per key's time of last writing ("#time="), each led by its file and key.
registry() {
    local file
    for file in system.reg user.reg userdef.reg; do
        awk -v file="$file" 'value != "" { value = value $0 } value == "" { value = $0 }
            value ~ /\\$/ { sub(/\\$/, "", value); next }
            value ~ /^;/ || value == "" { value = ""; next }
            value ~ /^\[/ { sub(/\] [0-9]+$/, "]", value); key = value; print file " " key }
            value !~ /^\[/ { print file " " key " " value }
            { value = "" }' "$WINEPREFIX/$file"
    done | LC_ALL=C sort
}

# The keys, values and times of writing (named up to their "=") that differ between two registry
# listings.
changed_entries() {
    diff "$1" "$2" | sed -n 's/^[<>] //p' |
        sed -E 's/^([^ ]+ \[.*\] ("([^"\\]|\\.)*"|@|#time)=).*/\1/' | LC_ALL=C sort -u
}

# run_listed LINE: runs the program on exactly LINE through the runner, from C:\t, with listings
# of the prefix and its registry before and after; sets STATUS, BOXES, CHANGED (the paths that
# differ) and CHANGED_KEYS (the registry entries that differ).
run_listed() {
    printf '%s' "$1" >"$DRIVE_C/t/cmd.txt"
    rm -f "$DRIVE_C/rec/record.txt"
    stop_wine
    listing >"$SESSION_DIR/before"
    registry >"$SESSION_DIR/registry-before"
    (cd "$DRIVE_C/t" && timeout "$CASE_TIMEOUT" "$WINE" 'C:\t\runner.exe' 'C:\t\cmd.txt' \
        </dev/null >"$SESSION_DIR/run.log" 2>&1
     echo $? >"$SESSION_DIR/status") &
    local job=$!
    wine_dismiss_boxes "$job"
    kill "$job" 2>/dev/null
    wait "$job" 2>/dev/null
    STATUS=$(cat "$SESSION_DIR/status" 2>/dev/null || echo none)
    stop_wine
    listing >"$SESSION_DIR/after"
    registry >"$SESSION_DIR/registry-after"
    CHANGED=$(changed_paths "$SESSION_DIR/before" "$SESSION_DIR/after")
    CHANGED_KEYS=$(changed_entries "$SESSION_DIR/registry-before" "$SESSION_DIR/registry-after")
}

# What Wine changes when it runs a program that does nothing, started the same way: its server
# saves the registry files afresh, and it renews its link to the first serial port.
baseline() {
    # The first run after the prefix was made writes more, once.
    run_listed '"C:\t\app\idle.exe"'
    run_listed '"C:\t\app\idle.exe"'
    [ "$STATUS" = 0 ] || { echo "the do-nothing program ended with $STATUS" && exit 1; }
    BASELINE=$CHANGED BASELINE_KEYS=$CHANGED_KEYS
    echo "changed by Wine itself when a program runs, not counted (after $SECONDS s):"
    echo "${BASELINE:-(nothing)}" | sed "s|^$WINEPREFIX/*|       |; s|^       $|       (prefix)|"
    echo "${BASELINE_KEYS:-(no registry entry)}" | sed 's/^/       /'
}

# no_write_case NAME LINE BOXES HANDLER-REQUEST|-: one run of mailto.exe on LINE.
no_write_case() {
    local record="$DRIVE_C/rec/record.txt" extra
    CASE_NAME=$1 CASE_FAILED=0 CASE_START=$SECONDS
    run_listed "$2"
    [ "$STATUS" = 0 ] || fail "exit status $STATUS"
    [ "$BOXES" = "$3" ] || fail "$BOXES message boxes, expected $3"
    if [ "$4" = - ]; then
        [ ! -e "$record" ] || fail "the mail handler was started"
    else
        [ "$(cat "$record" 2>/dev/null)" = "\"C:\\rec\\recorder.exe\" \"mailto:$4\"" ] ||
            fail "the mail handler got [$(cat -v "$record" 2>&1)]"
    fi
    extra=$(comm -23 <(echo "$CHANGED") <(echo "$BASELINE") | sed '/^$/d')
    [ -z "$extra" ] || fail "files created, changed or deleted:"$'\n'"$extra"
    extra=$(comm -23 <(echo "$CHANGED_KEYS") <(echo "$BASELINE_KEYS") | sed '/^$/d')
    [ -z "$extra" ] || fail "registry entries changed:"$'\n'"$extra"
    [ $CASE_FAILED = 1 ] || echo "ok   $CASE_NAME ($((SECONDS - CASE_START)) s)"
}

cases() {
    local program='"C:\t\app\mailto.exe"'
    wine_write_ini "$APP/mailto.ini" \
        $'[EMAIL]\nAddress=set@example.com\nSubject=Set\nError=Not sent'
    no_write_case command_line_opened "$program to@example.com Hi" 0 to@example.com?subject=Hi
    no_write_case settings_opened "$program" 0 set@example.com?subject=Set
    # Without the association the shell cannot open the request.
    wine_remove_handler
    no_write_case command_line_failed "$program to@example.com Hi /error=Failed" 1 -
    no_write_case settings_failed "$program" 1 -
    wine_write_ini "$APP/mailto.ini" $'[EMAIL]\nSubject=no address'
    no_write_case settings_no_address "$program" 1 -
}

setup
baseline
cases
[ $RUN_FAILED = 0 ] || exit 1
echo "no run wrote anything"

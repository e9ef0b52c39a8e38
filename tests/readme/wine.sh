#!/bin/bash
# wine.sh: runs the README's Windows examples, taken from README.md as they stand, under Wine:
# the batch files through cmd /c, the shortcut's target as Explorer starts one (CreateProcess on
# that exact line), with the exe at C:\Tools\mailto.exe, the current folder. First with a
# recording "mailto:" handler, which must get the request the example promises; then with no
# handler, when the message box must show the example's failure text (read from Wine's relay
# trace). Usage: wine.sh README.md MAILTO.EXE RUNNER.EXE RECORDER.EXE
# (exit 0 passed, 1 failed, 77 cannot run here)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine/session.sh"
. "$here/examples.sh"
README=$1 MAILTO=$2 RUNNER=$3 RECORDER=$4
CASE_TIMEOUT=${CASE_TIMEOUT:-30}
HANDLER='"C:\rec\recorder.exe"'
RUN_FAILED=0

setup() {
    wine_session_start "$MAILTO"
    mkdir -p "$DRIVE_C/Tools"
    cp "$MAILTO" "$DRIVE_C/Tools/mailto.exe"
    IMAGE_BASE=$(pe_image_base "$MAILTO")
    wine_install_stand_ins "$RUNNER" "$RECORDER"
    wine_hold_desktop
    wine_import_reg <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Debug]
"RelayInclude"="ShellExecuteA;MessageBoxA"
"RelayFromInclude"="mailto.exe"
EOF
    COMPUTER=$(cd "$DRIVE_C" && timeout 30 "$WINE" cmd /c 'echo %COMPUTERNAME%' </dev/null |
        tr -d '\r')
    [[ -n "$COMPUTER" && "$COMPUTER" != *%* ]] || { echo "no computer name: [$COMPUTER]"; exit 1; }
}

# Each example as the README has it, in C:\t: NAME.bat with Windows line ends, NAME.txt the same
# text without a line end after its last line, as a shortcut's target has none.
take_examples() {
    local name text
    for name in batch escapes shortcut; do
        text=$(readme_example "$README" "$name") ||
            { CASE_NAME=$name fail "no example \"$name\" in README.md"; continue; }
        printf '%s' "$text" >"$DRIVE_C/t/$name.txt"
        printf '%s\n' "$text" | sed 's/$/\r/' >"$DRIVE_C/t/$name.bat"
    done
}

# run_example NAME bat|line: runs the example from C:\Tools; sets STATUS, writes NAME.calls.
run_example() {
    local args=(cmd /c "C:\\t\\$1.bat")
    [ "$2" = line ] && args=('C:\t\runner.exe' "C:\\t\\$1.txt")
    rm -f "$DRIVE_C/rec/record.txt"
    (cd "$DRIVE_C/Tools" && WINEDEBUG=+relay timeout "$CASE_TIMEOUT" "$WINE" "${args[@]}" \
        </dev/null >"$SESSION_DIR/$1.out" 2>"$SESSION_DIR/$1.trace"
     echo $? >"$SESSION_DIR/$1.status") &
    local job=$!
    wine_dismiss_boxes "$job"
    wait "$job"
    STATUS=$(cat "$SESSION_DIR/$1.status")
    python3 "$here/../wine/relay_calls.py" "$SESSION_DIR/$1.trace" "$IMAGE_BASE" |
        grep '^MessageBoxA(' >"$SESSION_DIR/$1.calls"
}

# What the recording handler was given, once it has written it; nothing when it did not start.
record() {
    wine_wait_record && cat "$DRIVE_C/rec/record.txt"
}

# check NAME WHAT EXPECTED ACTUAL
check() {
    [ "$3" = "$4" ] && return 0
    CASE_NAME=$1 fail "$2 is [$4], expected [$3]"
    # What cmd said, such as "Invalid name." on standard error amid the relay trace.
    cat "$SESSION_DIR/$1.out" "$SESSION_DIR/$1.trace" |
        grep -Ev '^[0-9a-f]+:(Call|Ret|trace:|Starting)|^\s*$' | head -5 | sed 's/^/     cmd: /'
}

# expect_opened NAME bat|line REQUEST: the handler gets "mailto:REQUEST", no message box shows.
expect_opened() {
    [ -e "$DRIVE_C/t/$1.txt" ] || return
    run_example "$1" "$2"
    check "$1" "the handler's command line" "$HANDLER \"mailto:$3\"" "$(record)"
    check "$1" "the message boxes" "" "$(cat "$SESSION_DIR/$1.calls")"
    check "$1" "the exit status" 0 "$STATUS"
}

# expect_failed NAME bat|line BOX-TEXT: with no handler, one message box with BOX-TEXT (escaped
# as the trace shows it) and no caption.
expect_failed() {
    [ -e "$DRIVE_C/t/$1.txt" ] || return
    run_example "$1" "$2"
    check "$1" "the message boxes" "MessageBoxA(0,\"$3\",\"\",0) = 1" \
        "$(cat "$SESSION_DIR/$1.calls")"
    # The program has ended; a handler it started would have had half a second to write.
    sleep 0.5
    check "$1" "the handler's command line" "" "$(cat "$DRIVE_C/rec/record.txt" 2>/dev/null)"
    check "$1" "the exit status" 0 "$STATUS"
}

setup
take_examples
backup="helpdesk@example.com?subject=Backup failed on $COMPUTER"
printer="help@example.com?subject=Printer jam"
price="sales@example.com?subject=Price list request"

expect_opened batch bat "$backup"
expect_opened escapes bat "$printer"
expect_opened shortcut line "$price"

wine_remove_handler
expect_failed batch bat "Please mail the helpdesk\\r\\nyourself.\\r\\n\\r$backup"
expect_failed escapes bat "No mail program\\r\\nCall 555-0100\\r\\n\\r$printer"
expect_failed shortcut line "Error opening\\r\\n\\r$price"

[ $RUN_FAILED = 0 ] && echo "ok: the README's batch files and shortcut run under Wine as it says"
exit $RUN_FAILED

#!/bin/bash
# wine.sh: mailto.exe under Wine on a real desktop: in a fresh prefix, "mailto:" keeps Wine's own
# handler, winebrowser, which hands the request to the host's xdg-open and so to the real mail
# program Sylpheed on a private Xvfb display; the message Sylpheed composes (window title; To, Cc,
# Subject and body of the draft it saves) is what the command line asks for.
# Usage: wine.sh MAILTO.EXE RUNNER.EXE   (exit 0 passed, 1 failed, 77 cannot run here)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../wine/session.sh"
. "$HERE/sylpheed.sh"

MAILTO=$1 RUNNER=$2
desktop_require
desktop_home
wine_session_start "$MAILTO"
trap desktop_cleanup EXIT
mkdir -p "$DRIVE_C/t/app"
cp "$MAILTO" "$DRIVE_C/t/app/mailto.exe"
wine_install_runner "$RUNNER"
wine_hold_desktop

# Runs mailto.exe on the command line "app\mailto.exe ARGUMENTS" through the runner, in the
# background, its outputs to files; sets EXE_JOB. The Unix side (winebrowser, xdg-open, Sylpheed)
# gets a UTF-8 locale; Wine's ANSI code page stays 1252.
run_exe() {
    printf '%s' "app\\mailto.exe $1" >"$DRIVE_C/t/cmd.txt"
    (cd "$DRIVE_C/t" && LC_ALL=C.UTF-8 timeout 60 "$WINE" 'C:\t\runner.exe' 'C:\t\cmd.txt' \
        </dev/null >"$CASE_DIR/out" 2>"$CASE_DIR/err"
     echo $? >"$CASE_DIR/status") &
    EXE_JOB=$!
}

# wine_case NAME SUBJECT-ARGUMENT SUBJECT CC BODY: mailto.exe NAME@example.org SUBJECT-ARGUMENT
# makes Sylpheed compose that message; the exe ends with 0 and Sylpheed stays. The first case
# starts Sylpheed cold through the whole chain, the others reach it running.
wine_case() {
    local address="$1@example.org"
    begin_case "$1"
    run_exe "$address $2"
    expect_compose "$3" "$address" "$4" "$5"
    wait "$EXE_JOB"
    expect_status 0
    [ -n "$(sylpheed_pids)" ] || fail "Sylpheed did not stay open"
    end_case
}

# winebrowser percent-encodes the request on its way to xdg-open (a blank becomes %20) and leaves
# valid %XX escapes, "&", "+", "#" and "?" as they are; characters outside ASCII go on in UTF-8.
# For these rows that is transparent: Sylpheed decodes %20 as it would a blank, and shows what it
# shows for the native build. A "%" that starts no valid escape makes winebrowser take the request
# for a web address: Wine's doing, so no row here has one.
byte_cases wine_case
# The exe hands its bytes to the ANSI functions, which read them in code page 1252.
wine_case code_page_1252 $'Gr\xfc\xdfe`1aus`1K\xf6ln' 'Grüße aus Köln' '' ''
finish

#!/usr/bin/env bash
# dialogs.sh: the message boxes of the native binary as dialogs. Stand-in zenity, kdialog and
# xmessage on PATH record their arguments and standard input (no X server needed); each case
# checks what the dialog program was given and that standard error kept the message's bytes.
set -u
binary=${1:?usage: dialogs.sh path/to/mailto}

source "$(dirname "$0")/harness.sh"
mkdir -p "$work/app"
cp "$binary" "$work/app/mailto"
program="$work/app/mailto"
for name in zenity kdialog xmessage; do stand_in "$work/all" "$name"; done
stand_in "$work/zenity" zenity
stand_in "$work/kdialog" kdialog
stand_in "$work/xmessage" xmessage
for name in kdialog xmessage; do stand_in "$work/kdialog+xmessage" "$name"; done
# Each case sets the locale it needs.
unset LC_ALL LC_CTYPE LANG

# show CASE DIALOGS SESSION ARGUMENTS...: runs the program, failing to open, with the stand-ins
# in the folder DIALOGS first on PATH and the graphical session SESSION (NAME=VALUE or empty).
show() {
    local name=$1 dialogs=$2
    RUN_SESSION=$3
    shift 3
    rm -f "$record".*.*
    FAKE_STATUS=1 opener_path="$work/$dialogs:$opener_path" run_program "$program" "$@"
    case_name=$name
}

# The dialog programs that ran in the last case, each followed by a blank.
dialogs_run() {
    for name in zenity kdialog xmessage; do
        [ -e "$record.$name.args" ] && printf '%s ' "$name"
    done
}

# shown PROGRAM ARGUMENTS INPUT: the dialog program that ran, its arguments and its input.
shown() {
    check "$case_name" "dialog programs that ran" "$1 " "$(dialogs_run)"
    check "$case_name" "arguments" "$2" "$(recorded "$1" args)"
    check "$case_name" "input" "$3" "$(recorded "$1" input)"
}

failure_text='/error=<b>BOLD</b> &amp; x<#0D><#0A>line2'
failure_message=$'<b>BOLD</b> &amp; x\r\nline2\r\n\raddr?subject=s\n'
failure_shown=$'<b>BOLD</b> &amp; x\nline2\n\naddr?subject=s'
kdialog_open='<qt style="white-space:pre-wrap">'
xmessage_arguments='[-title][mailto][-center][-xrm][*international: true][-file][-]'
fffd=$'\xef\xbf\xbd'

LANG=C.UTF-8 show "zenity: markup and CR LF" zenity DISPLAY=:9 addr s "$failure_text"
shown zenity "[--info][--no-markup][--title=mailto][--text=$failure_shown]" ""
check "$case_name" "standard error" "$failure_message" "$errors"

LANG=C.UTF-8 show "kdialog: markup and CR LF" kdialog DISPLAY=:9 addr s "$failure_text"
shown kdialog "[--title][mailto][--msgbox][$kdialog_open&lt;b&gt;BOLD&lt;/b&gt; &amp;amp; x
line2

addr?subject=s</qt>]" ""
check "$case_name" "standard error" "$failure_message" "$errors"

LANG=C.UTF-8 show "xmessage: markup and CR LF" xmessage DISPLAY=:9 addr s "$failure_text"
shown xmessage "$xmessage_arguments" "$failure_shown"
check "$case_name" "standard error" "$failure_message" "$errors"
check "$case_name" "LC_ALL kept" unset "$(recorded xmessage lc_all)"

show "zenity: Latin-1 address" zenity DISPLAY=:9 $'Caf\xe9@b'
shown zenity "[--info][--no-markup][--title=mailto][--text=Error opening

Caf$fffd@b]" ""
check "$case_name" "standard error" $'Error opening\r\n\rCaf\xe9@b\n' "$errors"

show "kdialog: Latin-1 text, backslashes" kdialog DISPLAY=:9 a s $'/error=C:\\new\\\\x \xe9 \xe2\x82\xac'
shown kdialog "[--title][mailto][--msgbox][${kdialog_open}C:\\\\new\\\\\\\\x $fffd €

a?subject=s</qt>]" ""
check "$case_name" "standard error" $'C:\\new\\\\x \xe9 \xe2\x82\xac\r\n\ra?subject=s\n' "$errors"

LANG=C.UTF-8 show "xmessage: Latin-1 text, lone CR and LF" xmessage DISPLAY=:9 a s \
    $'/error=1<#0D>2<#0A>3 Caf\xe9'
shown xmessage "$xmessage_arguments" "1
2
3 Caf$fffd

a?subject=s"

show "xmessage: no address" xmessage DISPLAY=:9
shown xmessage "$xmessage_arguments" "Error - No e-mail address defined"
check "$case_name" "standard error" $'Error - No e-mail address defined\n' "$errors"

# xmessage shows UTF-8 only in a UTF-8 locale; it gets one where the caller's is not.
LANG=C show "xmessage: LANG not UTF-8" xmessage DISPLAY=:9 a
check "$case_name" "LC_ALL" "C.UTF-8" "$(recorded xmessage lc_all)"
LC_ALL=POSIX LANG=de_DE.UTF-8 show "xmessage: LC_ALL not UTF-8" xmessage DISPLAY=:9 a
check "$case_name" "LC_ALL" "C.UTF-8" "$(recorded xmessage lc_all)"
LC_ALL=C.utf8 show "xmessage: LC_ALL UTF-8" xmessage DISPLAY=:9 a
check "$case_name" "LC_ALL" "C.utf8" "$(recorded xmessage lc_all)"

show "zenity first" all DISPLAY=:9 a
shown zenity "[--info][--no-markup][--title=mailto][--text=Error opening

a]" ""
show "kdialog before xmessage" kdialog+xmessage DISPLAY=:9 a
shown kdialog "[--title][mailto][--msgbox][${kdialog_open}Error opening

a</qt>]" ""
show "Wayland session" all WAYLAND_DISPLAY=wayland-9 a
shown zenity "[--info][--no-markup][--title=mailto][--text=Error opening

a]" ""
show "no graphical session" all "" a
check "$case_name" "dialog programs that ran" "" "$(dialogs_run)"
check "$case_name" "standard error" $'Error opening\r\n\ra\n' "$errors"

finish

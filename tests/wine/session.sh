# session.sh: a throwaway Wine session for one test run, sourced by the Wine test scripts:
# its own prefix, Xvfb display and persistent wineserver, all torn down on exit.
#
# wine_session_start EXE   picks the Wine for EXE's machine (exits 77 when it cannot run here),
#                          then sets WINE, WINEPREFIX, DISPLAY, SESSION_DIR and DRIVE_C.
#                          Windows are unmanaged: Wine draws their frames, no window manager runs.
# wine_import_reg          imports the REGEDIT4 text on standard input into the prefix.
# wine_install_stand_ins RUNNER RECORDER   puts the runner in C:\t and the recording mail
#                          program in C:\rec, registered for "mailto:".
# wine_install_runner RUNNER   puts only the runner in C:\t; "mailto:" keeps Wine's own handler.
# wine_hold_desktop        keeps the desktop up between runs.
# pe_machine EXE / pe_image_base EXE   read the PE header.
# fail, wine_write_ini, wine_wait_record, wine_dismiss_boxes   run and judge cases (see below).
# KEEP_SESSION=1 keeps the session folder (prefix, and per case its trace and calls).

SESSION_TIMEOUT=${SESSION_TIMEOUT:-120}

# Reads a little-endian number of $3 bytes at offset $2 of file $1.
read_le() {
    local bytes value=0 i
    read -r -a bytes <<<"$(od -An -tu1 -j "$2" -N "$3" "$1" | tr '\n' ' ')"
    for ((i = ${#bytes[@]} - 1; i >= 0; i--)); do value=$((value * 256 + bytes[i])); done
    echo "$value"
}

pe_header_offset() { read_le "$1" 60 4; }

# Prints i386 or x86_64 (or the raw machine number).
pe_machine() {
    local machine
    machine=$(read_le "$1" $(($(pe_header_offset "$1") + 4)) 2)
    case $machine in
        332) echo i386 ;;
        34404) echo x86_64 ;;
        *) echo "$machine" ;;
    esac
}

# Prints the preferred load address in hexadecimal: the module instance when not relocated.
pe_image_base() {
    local optional=$(($(pe_header_offset "$1") + 24))
    if [ "$(read_le "$1" "$optional" 2)" = 523 ]; then # PE32+
        printf '%x\n' "$(read_le "$1" $((optional + 24)) 8)"
    else
        printf '%x\n' "$(read_le "$1" $((optional + 28)) 4)"
    fi
}

session_cleanup() {
    if [ -n "${WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ]; then
        timeout 20 "$WINESERVER" -k >/dev/null 2>&1 || true
    fi
    # What is left of this script's own background jobs: Xvfb, wine calls cut short.
    local job
    for job in $(jobs -p); do kill "$job" 2>/dev/null; done
    wait 2>/dev/null
    if [ -n "${SESSION_DIR:-}" ] && [ -z "${KEEP_SESSION:-}" ]; then rm -rf "$SESSION_DIR"; fi
}

# Chooses WINE and WINESERVER for the machine of $1; exits 77 when that code cannot run here.
choose_wine() {
    local machine
    machine=$(pe_machine "$1")
    case $machine in
        x86_64) WINE=${WINE64_LOADER:-/usr/lib/wine/wine64}; export WINEARCH=win64 ;;
        i386) WINE=${WINE32_LOADER:-/usr/lib/wine/wine}; export WINEARCH=win32 ;;
        *) echo "unknown PE machine $machine in $1" >&2; exit 1 ;;
    esac
    WINESERVER=/usr/lib/wine/wineserver64
    [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
    if [ ! -e "$WINE" ]; then
        echo "no Wine loader at $WINE for $machine code: install wine (and wine32:i386)" >&2
        exit 1
    fi
    local said
    # Started by bash: timeout's own fallback would feed a refused binary to sh.
    if ! said=$(timeout 20 bash -c '"$0" --version' "$WINE" 2>&1); then
        [ "$machine" = i386 ] || { echo "$WINE does not start: $said" >&2; exit 1; }
        said=$(echo "$said" | tail -n1 | sed 's/.*: //')
        echo "SKIP: 32-bit code cannot run on this machine ($WINE: $said)"
        exit 77
    fi
    export WINELOADER=$WINE
}

start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$SESSION_DIR/display" \
        >"$SESSION_DIR/xvfb.log" 2>&1 &
    local waited=0
    while [ ! -s "$SESSION_DIR/display" ] && [ $waited -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    [ -s "$SESSION_DIR/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$SESSION_DIR/display")"
}

wine_session_start() {
    choose_wine "$1"
    SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mailto-wine.XXXXXX")
    trap session_cleanup EXIT
    export WINEPREFIX="$SESSION_DIR/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
    # The locale picks Wine's ANSI code page: C gives the Western one the cases' bytes assume.
    export LC_ALL=C
    # Every wine process, the first included, must see the display: the desktop starts with it.
    start_display
    mkdir -p "$WINEPREFIX"
    timeout 20 "$WINESERVER" -p >"$SESSION_DIR/wineserver.log" 2>&1
    if ! timeout "$SESSION_TIMEOUT" "$WINE" wineboot -i >"$SESSION_DIR/wineboot.log" 2>&1; then
        echo "wineboot failed:" >&2
        cat "$SESSION_DIR/wineboot.log" >&2
        exit 1
    fi
    DRIVE_C="$WINEPREFIX/drive_c"
    wine_import_reg <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
}

wine_import_reg() {
    cat >"$DRIVE_C/import.reg"
    timeout "$SESSION_TIMEOUT" "$WINE" regedit /S 'C:\import.reg' >>"$SESSION_DIR/regedit.log" 2>&1
}

# The stand-in mail program most tests register, as a registry string: it writes the command line
# it was given to C:\rec\record.txt.
RECORDER_COMMAND='\"C:\\rec\\recorder.exe\" \"%1\"'

# wine_register_handler COMMAND: makes COMMAND (a registry string, its quotes and backslashes
# escaped) the program the shell starts for "mailto:" requests, in place of any earlier one.
wine_register_handler() {
    wine_import_reg <<EOF
REGEDIT4

[-HKEY_CLASSES_ROOT\\mailto]

[HKEY_CLASSES_ROOT\\mailto]
@="URL:MailTo Protocol"
"URL Protocol"=""

[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]
@="$1"
EOF
}

# Without the association the shell cannot open any "mailto:" request.
wine_remove_handler() {
    printf 'REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\mailto]\n' | wine_import_reg
}

# The runner starts a program on an exact command line.
wine_install_runner() {
    mkdir -p "$DRIVE_C/t"
    cp "$1" "$DRIVE_C/t/runner.exe"
}

# The runner, and the recorder standing in for the mail program associated with "mailto:".
wine_install_stand_ins() {
    wine_install_runner "$1"
    mkdir -p "$DRIVE_C/rec"
    cp "$2" "$DRIVE_C/rec/recorder.exe"
    wine_register_handler "$RECORDER_COMMAND"
}

# A program that stays keeps the desktop from being closed and started anew (slowly) between
# two runs.
wine_hold_desktop() {
    (cd "$DRIVE_C/t" && "$WINE" 'C:\t\runner.exe' --hold </dev/null >"$SESSION_DIR/hold.log" 2>&1) &
}

# --- What the test scripts share to run a case and judge it --------------------------------------

# fail REASON...: marks the current case (CASE_NAME, when set) and the whole run failed.
fail() {
    echo "FAIL ${CASE_NAME:-}${CASE_NAME:+: }$*"
    CASE_FAILED=1 RUN_FAILED=1
}

# wine_write_ini PATH CONTENT: CONTENT, with \n line ends, written to PATH with CR LF.
wine_write_ini() {
    printf '%s' "$2" | sed 's/$/\r/' >"$1"
}

# wine_wait_record: waits up to 10 seconds for the recording mail program's C:\rec\record.txt,
# which appears only once complete; fails when none comes.
wine_wait_record() {
    local waited=0
    while [ ! -e "$DRIVE_C/rec/record.txt" ] && [ $waited -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    [ -e "$DRIVE_C/rec/record.txt" ]
}

# Whether the relay trace $1 shows a MessageBoxA call that has not returned; always true without
# a trace.
box_call_pending() {
    [ -z "$1" ] && return 0
    [ "$(grep -c ':Call [[:alnum:]_.]*\.MessageBoxA(' "$1")" -gt \
        "$(grep -c ':Ret  *[[:alnum:]_.]*\.MessageBoxA(' "$1")" ]
}

# wine_dismiss_boxes JOB [TRACE]: until JOB ends (or CASE_TIMEOUT seconds and a few more have
# passed), presses Return in the program's visible window, once a second while it stays. With a
# relay TRACE, a window counts as a message box only while a MessageBoxA call has not returned.
# Sets BOXES (the message box windows seen) and STRAY (the program's windows seen outside a box).
# ON_BOX, when set, is run with a box's window id when the box first shows, before any key.
wine_dismiss_boxes() {
    local job=$1 trace=${2:-} ticks=0 sent=-100 boxes=" " visible id
    BOXES=0 STRAY=0
    while kill -0 "$job" 2>/dev/null && [ $ticks -lt $((${CASE_TIMEOUT:-30} * 10 + 50)) ]; do
        # Windows first: a box seen now had its call traced before.
        visible=$(xdotool search --onlyvisible --class '^mailto\.exe$' 2>/dev/null)
        if [ -n "$visible" ] && box_call_pending "$trace"; then
            for id in $visible; do
                [[ "$boxes" == *" $id "* ]] && continue
                boxes="$boxes$id " BOXES=$((BOXES + 1))
                [ -z "${ON_BOX:-}" ] || "$ON_BOX" "$id"
            done
            if [ $((ticks - sent)) -ge 10 ]; then
                # Through the focus (XTEST): a key sent to the window as a synthetic event
                # leaves Wine's key state behind, and later boxes close by themselves.
                xdotool windowfocus "${visible%%[[:space:]]*}" key Return 2>/dev/null
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

# sylpheed.sh: a throwaway desktop with the real xdg-open and the real mail program Sylpheed,
# sourced by the desktop end-to-end scripts (native and Wine) after tests/wine/session.sh, whose
# Xvfb display and clean-up they share. Outputs go to files, never to pipes, and the scripts wait
# only for processes they started: a bare `wait` would also wait for Xvfb.
#
# desktop_require         exits 77 when a program the desktop needs is missing.
# desktop_home            makes DESKTOP_DIR (removed at exit) holding HOME with its own XDG
#                         folders and TMPDIR, a Sylpheed profile that needs no first-run dialog,
#                         and Sylpheed as the handler of "mailto:" on a generic desktop. Call it
#                         before Wine starts: Wine finds its server through TMPDIR, Sylpheed its
#                         running instance, so that neither meets another test's.
# desktop_start           outside Wine: desktop_home, then an Xvfb display of its own.
# expect_compose SUBJECT TO CC BODY   finds the compose window "SUBJECT - Compose", saves it as a
#                         draft, compares the draft's headers and body byte for byte, closes it.
# find_compose, check_draft, close_compose   its three steps; sets COMPOSE_WINDOW.
# sylpheed_pids / sylpheed_stop       this desktop's Sylpheed, and ending it (cold starts).
# expect_status STATUS    compares the status a run wrote to CASE_DIR/status.
# begin_case NAME / end_case / finish   case bookkeeping around session.sh's fail; finish gives
#                         the status.
# byte_cases FUNCTION     calls FUNCTION NAME SUBJECT-ARGUMENT SUBJECT CC BODY for each row of
#                         what Sylpheed makes of the bytes of a subject.

DESKTOP_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
COMPOSE_TIMEOUT=${COMPOSE_TIMEOUT:-60}
CASES_FAILED=()
CASE_COUNT=0

# Each row: name, the subject argument, then what the draft holds: Subject, Cc, body. "&" starts
# another field, "%XX" is decoded, "+" becomes a space, "#" and "?" are plain characters.
byte_cases() {
    "$1" readme 'Hello`1there' 'Hello there' '' ''
    "$1" hash_question 'Issue`1#42?`1Why?' 'Issue #42? Why?' '' ''
    "$1" fields 'Hi&cc=x@y.org&body=text' 'Hi' 'x@y.org' 'text'
    "$1" percent_escapes '100%25`1sure`1%26`1%2B1' '100% sure & +1' '' ''
    "$1" plus 'one+two' 'one two' '' ''
}

# Exits 77 when a program the desktop needs is not installed, naming its package.
desktop_require() {
    local need program
    for need in xdg-open:xdg-utils xdg-mime:xdg-utils sylpheed:sylpheed xdotool:xdotool \
        Xvfb:xvfb python3:python3; do
        program=${need%%:*}
        command -v "$program" >/dev/null ||
            { echo "SKIP: $program is not installed (package ${need#*:})"; exit 77; }
    done
}

desktop_cleanup() {
    sylpheed_stop
    session_cleanup
    if [ -n "${DESKTOP_DIR:-}" ] && [ -z "${KEEP_SESSION:-}" ]; then rm -rf "$DESKTOP_DIR"; fi
}

desktop_home() {
    DESKTOP_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mailto-desktop.XXXXXX")
    trap desktop_cleanup EXIT
    export HOME="$DESKTOP_DIR/home" TMPDIR="$DESKTOP_DIR/tmp" XDG_CURRENT_DESKTOP=X-Generic
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CACHE_HOME="$HOME/.cache" XDG_RUNTIME_DIR="$HOME/.runtime"
    # Sylpheed is a UTF-8 program; no desktop session tells xdg-open which one this is.
    export LC_ALL=C.UTF-8
    unset DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION BROWSER
    mkdir -p "$TMPDIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    sylpheed_profile
    xdg-mime default sylpheed.desktop x-scheme-handler/mailto >"$DESKTOP_DIR/xdg-mime.log" 2>&1
    [ "$(xdg-mime query default x-scheme-handler/mailto 2>&1)" = sylpheed.desktop ] ||
        { echo "xdg-mime did not make Sylpheed the mailto: handler" >&2; exit 1; }
}

# One default account and an MH mailbox with its folders: Sylpheed then starts straight into its
# main window and saves drafts to ~/Mail/draft.
sylpheed_profile() {
    mkdir -p "$HOME/.sylpheed-2.0" "$HOME"/Mail/{inbox,sent,queue,trash,draft,junk}
    cat >"$HOME/.sylpheed-2.0/accountrc" <<'EOF'
[Account: 1]
account_name=test
is_default=1
name=Test Sender
address=sender@example.org
protocol=0
receive_server=localhost
smtp_server=localhost
user_id=sender
EOF
    cat >"$HOME/.sylpheed-2.0/folderlist.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<folderlist>
<folder type="mh" name="Mailbox" path="Mail">
<folderitem type="inbox" name="inbox" path="inbox" />
<folderitem type="outbox" name="sent" path="sent" />
<folderitem type="queue" name="queue" path="queue" />
<folderitem type="trash" name="trash" path="trash" />
<folderitem type="draft" name="draft" path="draft" />
<folderitem type="junk" name="junk" path="junk" />
</folder>
</folderlist>
EOF
}

desktop_start() {
    desktop_home
    SESSION_DIR=$DESKTOP_DIR
    start_display
}

# The Sylpheed processes of this desktop (HOME tells them from any other).
sylpheed_pids() {
    local dir
    for dir in /proc/[0-9]*; do
        [ "$(cat "$dir/comm" 2>/dev/null)" = sylpheed ] || continue
        grep -qzxF "HOME=$HOME" "$dir/environ" 2>/dev/null && echo "${dir#/proc/}"
    done
}

# Asks this desktop's Sylpheed to exit; ends it when it has not within ten seconds.
sylpheed_stop() {
    [ -n "${DESKTOP_DIR:-}" ] && [ -n "$(sylpheed_pids)" ] || return 0
    timeout 10 sylpheed --exit >>"$DESKTOP_DIR/sylpheed-exit.log" 2>&1
    local ticks=0
    while [ -n "$(sylpheed_pids)" ] && [ $ticks -lt 100 ]; do
        sleep 0.1
        ticks=$((ticks + 1))
    done
    local pid
    for pid in $(sylpheed_pids); do kill "$pid" 2>/dev/null; done
}

# The names of the open compose windows, quoted for reading.
compose_titles() {
    local id
    for id in $(xdotool search --onlyvisible --name ' - Compose$' 2>/dev/null); do
        printf '%q ' "$(xdotool getwindowname "$id" 2>/dev/null)"
    done
}

# find_compose SUBJECT: waits for the compose window named exactly "SUBJECT - Compose".
find_compose() {
    local ticks=0 id
    COMPOSE_WINDOW=
    while [ $ticks -lt $((COMPOSE_TIMEOUT * 10)) ]; do
        for id in $(xdotool search --onlyvisible --name ' - Compose$' 2>/dev/null); do
            [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1 - Compose" ] &&
                COMPOSE_WINDOW=$id && return 0
        done
        sleep 0.1
        ticks=$((ticks + 1))
    done
    fail "no compose window titled $(printf %q "$1 - Compose"); open: $(compose_titles)"
    return 1
}

# The number of the newest draft in ~/Mail/draft, 0 when there is none.
newest_draft() {
    local file newest=0
    for file in "$HOME/Mail/draft"/*; do
        file=${file##*/}
        [[ "$file" =~ ^[0-9]+$ ]] && [ "$file" -gt $newest ] && newest=$file
    done
    echo $newest
}

# Keys go through the input focus (XTEST), as a user's would.
compose_key() {
    xdotool windowfocus "$COMPOSE_WINDOW" key "$1" >>"$CASE_DIR/xdotool.log" 2>&1
}

# check_draft TO SUBJECT CC BODY: saves the compose window as a draft (ctrl+s) and compares what
# the draft holds.
check_draft() {
    local before ticks=0 draft
    before=$(newest_draft)
    compose_key ctrl+s
    while [ "$(newest_draft)" -le "$before" ] && [ $ticks -lt 150 ]; do
        sleep 0.1
        ticks=$((ticks + 1))
    done
    draft="$HOME/Mail/draft/$(newest_draft)"
    [ "$(newest_draft)" -gt "$before" ] || { fail "ctrl+s saved no draft"; return 1; }
    cp "$draft" "$CASE_DIR/draft"
    python3 "$DESKTOP_HERE/draft.py" "$draft" >"$CASE_DIR/fields" 2>"$CASE_DIR/draft.err" ||
        { fail "draft unreadable: $(cat "$CASE_DIR/draft.err")"; return 1; }
    local to cc subject body
    { IFS= read -r -d '' to; IFS= read -r -d '' cc; IFS= read -r -d '' subject
      IFS= read -r -d '' body; } <"$CASE_DIR/fields"
    expect_field To "$1" "$to"
    expect_field Subject "$2" "$subject"
    expect_field Cc "$3" "$cc"
    expect_field body "$4" "$body"
}

# expect_status STATUS: the status the case's run left in its status file.
expect_status() {
    local status
    status=$(cat "$CASE_DIR/status" 2>/dev/null)
    [ "$status" = "$1" ] || fail "exit status ${status:-none}, expected $1"
}

expect_field() {
    [ "$2" == "$3" ] || fail "$1 $(printf %q "$3"), expected $(printf %q "$2")"
}

# Closes the compose window (ctrl+w) and waits until it is gone.
close_compose() {
    local ticks=0
    compose_key ctrl+w
    while xdotool getwindowname "$COMPOSE_WINDOW" >/dev/null 2>&1 && [ $ticks -lt 100 ]; do
        sleep 0.1
        ticks=$((ticks + 1))
    done
    xdotool getwindowname "$COMPOSE_WINDOW" >/dev/null 2>&1 && fail "ctrl+w left the window open"
    return 0
}

expect_compose() {
    find_compose "$1" || return 1
    check_draft "$2" "$1" "$3" "$4"
    close_compose
}

# A case fails through session.sh's fail, which sets CASE_FAILED.
begin_case() {
    CASE_NAME=$1 CASE_FAILED= CASE_START=$SECONDS
    CASE_COUNT=$((CASE_COUNT + 1))
    CASE_DIR="$DESKTOP_DIR/cases/$CASE_COUNT-$1"
    mkdir -p "$CASE_DIR"
}

end_case() {
    if [ -z "$CASE_FAILED" ]; then
        echo "ok   $CASE_NAME ($((SECONDS - CASE_START)) s)"
    else
        CASES_FAILED+=("$CASE_NAME")
        [ -s "$CASE_DIR/err" ] && head -n5 "$CASE_DIR/err" | sed 's/^/     stderr: /'
    fi
    return 0
}

finish() {
    echo "$CASE_COUNT cases, ${#CASES_FAILED[@]} failed${CASES_FAILED[*]:+: ${CASES_FAILED[*]}}"
    [ ${#CASES_FAILED[@]} -eq 0 ]
}

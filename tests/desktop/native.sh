#!/bin/bash
# native.sh: the native mailto on a real desktop: the real xdg-open hands each request to the real
# mail program Sylpheed on a private Xvfb display, and the message Sylpheed composes (its window
# title; To, Cc, Subject and body of the draft it saves) is what the arguments ask for. A caller
# capturing mailto's output gets it back while Sylpheed stays open.
# Usage: native.sh MAILTO   (exit 0 passed, 1 failed, 77 a desktop program is not installed)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../wine/session.sh"
. "$HERE/sylpheed.sh"

MAILTO=$1
desktop_require
desktop_start

# Starts mailto with the arguments given, from /, its outputs to files; sets MAILTO_JOB.
run_mailto() {
    (cd / && timeout 60 "$MAILTO" "$@" </dev/null >"$CASE_DIR/out" 2>"$CASE_DIR/err"
     echo $? >"$CASE_DIR/status") &
    MAILTO_JOB=$!
}

# Whether an xdg-open is running on a request to the address given.
opener_running() {
    local dir args i
    for dir in /proc/[0-9]*; do
        { mapfile -d '' args <"$dir/cmdline"; } 2>/dev/null || continue
        for ((i = 0; i + 1 < ${#args[@]}; i++)); do
            [[ "${args[i]}" == */xdg-open && "${args[i + 1]}" == "mailto:$1?"* ]] && return 0
        done
    done
    return 1
}

# compose_case NAME SUBJECT-ARGUMENT SUBJECT CC BODY: mailto NAME@example.org SUBJECT-ARGUMENT
# makes Sylpheed compose that message. Started cold (Sylpheed not running), xdg-open stays in the
# foreground with Sylpheed: mailto takes it as started once its patience runs out and leaves it
# running. Warm, xdg-open hands the request to the running Sylpheed and ends, and so does mailto.
compose_case() {
    local address="$1@example.org" cold=
    begin_case "$1"
    [ -z "$(sylpheed_pids)" ] && cold=1
    run_mailto "$address" "$2"
    expect_compose "$3" "$address" "$4" "$5"
    wait "$MAILTO_JOB"
    expect_status 0
    if [ -n "$cold" ]; then
        opener_running "$address" || fail "started cold, xdg-open ended with mailto"
    else
        opener_running "$address" && fail "started warm, xdg-open outlived mailto"
    fi
    end_case
}

# $(mailto ... 2>&1) returns once mailto has exited, although xdg-open and Sylpheed, started by
# it, go on running.
capture_case() {
    local address=capture@example.org ticks=0
    begin_case capture
    sylpheed_stop
    (cd / && captured=$(timeout 60 "$MAILTO" "$address" Captured </dev/null 2>&1)
     echo $? >"$CASE_DIR/status"
     printf '%s' "$captured" >"$CASE_DIR/captured") &
    local job=$!
    find_compose Captured && check_draft "$address" Captured '' ''
    while kill -0 "$job" 2>/dev/null && [ $ticks -lt 300 ]; do
        sleep 0.1
        ticks=$((ticks + 1))
    done
    if kill -0 "$job" 2>/dev/null; then
        fail "\$(mailto ... 2>&1) still waits, with Sylpheed open, 30 s after it started"
    else
        expect_status 0
        [ -s "$CASE_DIR/captured" ] && fail "captured $(printf %q "$(cat "$CASE_DIR/captured")")"
        [ -n "$(sylpheed_pids)" ] || fail "Sylpheed did not stay open"
    fi
    [ -n "$COMPOSE_WINDOW" ] && close_compose
    # A capture still held ends with Sylpheed.
    sylpheed_stop
    wait "$job"
    end_case
}

# The first case starts Sylpheed cold, the rest find it running.
byte_cases compose_case
compose_case utf8 'Grüße`1aus`1Köln' 'Grüße aus Köln' '' ''
capture_case
finish

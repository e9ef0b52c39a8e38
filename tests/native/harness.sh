# harness.sh: what the native end-to-end scripts share, sourced by each. A work folder removed
# at exit; a fake xdg-open that records the count of its arguments, its request and its working
# folder, may linger, and exits with a chosen status; a PATH that holds it and the few tools it
# needs, never a real opener; running the program with it; recording stand-ins for the opener
# and the dialog programs; and checks that count.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/opener" "$work/tools"
record="$work/request"
passed=0
failed=0

cat > "$work/opener/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s' "$#" > "$FAKE_RECORD.count"
printf '%s' "$1" > "$FAKE_RECORD"
pwd > "$FAKE_RECORD.pwd"
[ -n "${FAKE_SLEEP:-}" ] && sleep "$FAKE_SLEEP"
exit "${FAKE_STATUS:-0}"
OPENER
chmod +x "$work/opener/xdg-open"
ln -s "$(command -v sleep)" "$work/tools/sleep"
opener_path="$work/opener:$work/tools"
timeout_command=$(command -v timeout)

# Runs the program at the given path with the fake opener, no display, from /; sets status,
# request and errors. RUN_TIMEOUT bounds it (30 seconds unless set); RUN_SESSION, as
# DISPLAY=... or WAYLAND_DISPLAY=..., gives it a graphical session.
run_program() {
    local path=$1
    shift
    rm -f "$record" "$record.count" "$record.pwd"
    (cd / && env -u DISPLAY -u WAYLAND_DISPLAY ${RUN_SESSION:+"$RUN_SESSION"} \
        PATH="$opener_path" FAKE_RECORD="$record" \
        "$timeout_command" "${RUN_TIMEOUT:-30}" "$path" "$@" >"$work/out" 2>"$work/err")
    status=$?
    request=$(cat "$record" 2>/dev/null; printf x)
    request=${request%x}
    errors=$(cat "$work/err"; printf x)
    errors=${errors%x}
}

# fail REASON...: counts a failed check and says why.
fail() {
    failed=$((failed + 1))
    echo "FAIL $*"
}

# stand_in FOLDER NAME: puts a program NAME (an opener or a dialog program) in FOLDER that
# records, in files $FAKE_RECORD.NAME.*: its arguments, each in brackets (args); its standard
# input (input); where its standard input, output and error lead, one a line (streams); the
# SigIgn and SigBlk lines of its status (signals); and LC_ALL, or "unset" (lc_all). Then it
# writes FAKE_SAY to its standard error when set; with FAKE_HOLD set it stays until the file
# $FAKE_RECORD.release appears (30 seconds at most); it creates $FAKE_RECORD.NAME.ended and
# exits with FAKE_STATUS (0 unless set).
stand_in() {
    local folder=$1 name=$2
    mkdir -p "$folder"
    cat > "$folder/$name" <<STAND_IN
#!/bin/sh
r="\$FAKE_RECORD.$name"
# Read by the shell itself: while it waits for a program it runs, the shell blocks signals.
while read -r key value; do
    case \$key in SigBlk: | SigIgn:) printf '%s\t%s\n' "\$key" "\$value" ;; esac
done < /proc/\$\$/status > "\$r.signals"
printf '[%s]' "\$@" > "\$r.args"
streams=\$($(command -v readlink) /proc/\$\$/fd/0 /proc/\$\$/fd/1 /proc/\$\$/fd/2)
printf '%s\n' "\$streams" > "\$r.streams"
printf '%s' "\${LC_ALL-unset}" > "\$r.lc_all"
$(command -v cat) > "\$r.input"
[ -n "\${FAKE_SAY:-}" ] && echo "\$FAKE_SAY" >&2
i=0
while [ -n "\${FAKE_HOLD:-}" ] && [ ! -e "\$FAKE_RECORD.release" ] && [ \$i -lt 300 ]; do
    $(command -v sleep) 0.1
    i=\$((i + 1))
done
: > "\$r.ended"
exit "\${FAKE_STATUS:-0}"
STAND_IN
    chmod +x "$folder/$name"
}

# recorded NAME WHAT: what the stand-in NAME recorded in its file WHAT, byte for byte.
recorded() {
    local text
    text=$(cat "$record.$1.$2" 2>/dev/null; printf x)
    printf '%s' "${text%x}"
}

check() {
    local name=$1 what=$2 expected=$3 actual=$4
    if [ "$expected" == "$actual" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s: %s\n  expected: %q\n  actual:   %q\n' "$name" "$what" \
            "${expected:0:300}" "${actual:0:300}"
        [ "${#expected}" -gt 300 ] || [ "${#actual}" -gt 300 ] &&
            printf '  (lengths %d and %d)\n' "${#expected}" "${#actual}"
    fi
    return 0
}

# Checks the request, standard error and exit status (0 unless given) of the last run.
expect() {
    local name=$1 want_request=$2 want_errors=$3 want_status=${4:-0}
    check "$name" request "$want_request" "$request"
    check "$name" "standard error" "$want_errors" "$errors"
    check "$name" status "$want_status" "$status"
}

finish() {
    printf '%d passed, %d failed\n' "$passed" "$failed"
    [ "$failed" -eq 0 ]
}

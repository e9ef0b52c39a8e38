#!/usr/bin/env bash
# run.sh: end-to-end test of the native binary. A fake xdg-open first on PATH records what it was
# given and exits with a chosen status; each case checks the request, the message on standard
# error and the exit status.
set -u
binary=${1:?usage: run.sh path/to/mailto}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tools" "$work/app dir" "$work/opener"
# The runs see only the fake opener and the few tools it needs, never a real xdg-open.
for tool in sleep; do ln -s "$(command -v "$tool")" "$work/tools/$tool"; done
cp "$binary" "$work/app dir/mailto"
program="$work/app dir/mailto"

cat > "$work/opener/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s' "$#" > "$FAKE_RECORD.count"
printf '%s' "$1" > "$FAKE_RECORD"
pwd > "$FAKE_RECORD.pwd"
[ -n "${FAKE_SLEEP:-}" ] && sleep "$FAKE_SLEEP"
exit "${FAKE_STATUS:-0}"
OPENER
chmod +x "$work/opener/xdg-open"

passed=0
failed=0
record="$work/request"

# Runs the program with the fake opener; sets status, request and errors.
run() {
    rm -f "$record" "$record.count" "$record.pwd"
    (cd /; env -u DISPLAY -u WAYLAND_DISPLAY PATH="$work/opener:$work/tools" \
        FAKE_RECORD="$record" "$(command -v timeout)" 30 "$program" "$@" >"$work/out" 2>"$work/err")
    status=$?
    request=$(cat "$record" 2>/dev/null; printf x)
    request=${request%x}
    errors=$(cat "$work/err"; printf x)
    errors=${errors%x}
}

check() {
    local name=$1 what=$2 expected=$3 actual=$4
    if [ "$expected" == "$actual" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s: %s\n  expected: %q\n  actual:   %q\n' "$name" "$what" "$expected" "$actual"
    fi
}

expect() {
    local name=$1 want_request=$2 want_errors=$3 want_status=${4:-0}
    check "$name" request "$want_request" "$request"
    check "$name" "standard error" "$want_errors" "$errors"
    check "$name" status "$want_status" "$status"
}

run 'first`1box' 'Hi`1there'
expect "escapes" "mailto:first box?subject=Hi there" ""
check "escapes" "one argument to the opener" "1" "$(cat "$record.count")"
check "escapes" "working folder" "$work/app dir" "$(cat "$record.pwd")"

run 'a@b.c'
expect "address only" "mailto:a@b.c" ""

run '-n' '$(touch pwned); rm -rf x | cat `id` > y & $HOME'
expect "shell metacharacters" \
    'mailto:-n?subject=$(touch pwned); rm -rf x | cat `id` > y & $HOME' ""
check "shell metacharacters" "nothing ran" "no" "$([ -e "$work/app dir/pwned" ] || [ -e /pwned ] && echo yes || echo no)"

run '' 'a"b' '' 'sub"ject' ''
expect "empty elements dropped, quotes removed" "mailto:ab?subject=subject" ""

run $'tab\there' $'\x80\xff\xe9'
expect "blanks and high bytes" $'mailto:tab\there?subject=\x80\xff\xe9' ""

FAKE_STATUS=4 run 'addr' 'subj' '/error=Cannot<#0D><#0A>start'
expect "failure text" "mailto:addr?subject=subj" $'Cannot\r\nstart\r\n\raddr?subject=subj\n'

FAKE_STATUS=1 run 'addr' '/error=Failed'
expect "switch as subject" "mailto:addr?subject=/error=Failed" $'Failed\r\n\raddr?subject=/error=Failed\n'

FAKE_STATUS=2 run 'addr'
expect "default failure text" "mailto:addr" $'Error opening\r\n\raddr\n'

FAKE_STATUS=2 run 'addr' 's' '/error=' '/error=X'
expect "empty switch wins" "mailto:addr?subject=s" $'Error opening\r\n\raddr?subject=s\n'

rm "$work/opener/xdg-open.missing" 2>/dev/null
mv "$work/opener/xdg-open" "$work/opener/xdg-open.missing"
run 'addr' 's' '/error=No`1opener'
expect "missing opener" "" $'No opener\r\n\raddr?subject=s\n'
mv "$work/opener/xdg-open.missing" "$work/opener/xdg-open"

FAKE_SLEEP=60 run 'slow@b.c'
expect "opener that stays is taken as started" "mailto:slow@b.c" ""

run
expect "no arguments, no settings" "" $'Error - No e-mail address defined\n'

run '""'
expect "only an empty quoted pair" "" $'Error - No e-mail address defined\n'

printf '%d passed, %d failed\n' "$passed" "$failed"
[ "$failed" -eq 0 ]

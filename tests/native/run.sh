#!/usr/bin/env bash
# run.sh: end-to-end test of the native binary. A fake xdg-open first on PATH records what it was
# given and exits with a chosen status; each case checks the request, the message on standard
# error and the exit status.
set -u
binary=${1:?usage: run.sh path/to/mailto}

source "$(dirname "$0")/harness.sh"
mkdir -p "$work/app dir"
cp "$binary" "$work/app dir/mailto"
program="$work/app dir/mailto"

run() { run_program "$program" "$@"; }

run 'first`1box' 'Hi`1there'
expect "escapes" "mailto:first box?subject=Hi there" ""
check "escapes" "one argument to the opener" "1" "$(cat "$record.count")"
check "escapes" "working folder" "$work/app dir" "$(cat "$record.pwd")"

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

rm "$work/opener/xdg-open.missing" 2>/dev/null
mv "$work/opener/xdg-open" "$work/opener/xdg-open.missing"
run 'addr' 's' '/error=No`1opener'
expect "missing opener" "" $'No opener\r\n\raddr?subject=s\n'
mv "$work/opener/xdg-open.missing" "$work/opener/xdg-open"

FAKE_SLEEP=60 run 'slow@b.c'
expect "opener that stays is taken as started" "mailto:slow@b.c" ""

run '""'
expect "only an empty quoted pair" "" $'Error - No e-mail address defined\n'

finish

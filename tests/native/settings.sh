#!/usr/bin/env bash
# settings.sh: end-to-end test of the native binary started without arguments, reading its own
# settings file beside it or the shared VANTIK.INI. A fake xdg-open first on PATH records the
# request; each case checks the request, the message on standard error and the exit status.
set -u
binary=${1:?usage: settings.sh path/to/mailto}

source "$(dirname "$0")/harness.sh"
program="$work/app dir/mailto"
own="$work/app dir/mailto.ini"
shared="$work/app dir/VANTIK.INI"

# Empties the program's folder but for a fresh copy of the program.
fresh_folder() {
    rm -rf "$work/app dir"
    mkdir -p "$work/app dir"
    cp "$binary" "$program"
}

# Runs the program without arguments.
run() { run_program "$program"; }

no_address=$'Error - No e-mail address defined\n'
shared_text=$'[EMAIL]\r\nAddress=shared@example.com\r\nSubject=From the shared file\r\n'

fresh_folder
printf '[EMAIL]\nAddress=own@example.com\nSubject=From the own file\n' > "$own"
printf '%s' "$shared_text" > "$shared"
run
expect "own file used" "mailto:own@example.com?subject=From the own file" ""

fresh_folder
printf '[EMAIL]\nSubject=Own subject only\n' > "$own"
printf '%s' "$shared_text" > "$shared"
run
expect "own file without Address: no fallback" "" "$no_address"

fresh_folder
printf '%s' "$shared_text" > "$shared"
run
expect "own file missing: shared file used" \
    "mailto:shared@example.com?subject=From the shared file" ""

fresh_folder
run
expect "neither file" "" "$no_address"

fresh_folder
mkdir "$own"
printf '%s' "$shared_text" > "$shared"
run
expect "directory named like the own file" \
    "mailto:shared@example.com?subject=From the shared file" ""

fresh_folder
printf '[EMAIL]\nAddress=old@example.com\n' > "$own"
touch -d '1979-06-15 12:00' "$own"
printf '%s' "$shared_text" > "$shared"
run
expect "own file written before 1980" \
    "mailto:shared@example.com?subject=From the shared file" ""

fresh_folder
printf '\xef\xbb\xbf; mail settings\r\n[ email ]\r\n  ADDRESS = "quoted@example.com" \r\nsubject=\r\n' > "$own"
run
expect "mark, comment, case, blanks, quotes, empty subject" "mailto:quoted@example.com" ""

fresh_folder
long=$(printf 'x%.0s' $(seq 1 1500))
printf '[EMAIL]\nAddress=a@b.c\nSubject=%s\n' "$long" > "$own"
run
expect "value cut at 1,023 bytes" "mailto:a@b.c?subject=${long:0:1023}" ""

fresh_folder
mkfifo "$own"
printf '%s' "$shared_text" > "$shared"
run
expect "own file is a pipe: read as empty, no hang" "" "$no_address"

fresh_folder
printf '[EMAIL]\nAddress=own@example.com\nError=Failed\n' > "$own"
printf '%s' "$shared_text" > "$shared"
FAKE_STATUS=2 run
expect "failure with settings" "mailto:own@example.com" $'Failed\r\n\rown@example.com\n'

finish

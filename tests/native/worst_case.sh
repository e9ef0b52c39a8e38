#!/usr/bin/env bash
# worst_case.sh: the native binary on the longest inputs: a command line as long as Windows
# allows (and a far longer one) with the "/error=" switch last on the failure path, arguments
# beyond the 65,536-byte cap of one argument (cut to it, each still one argument), settings
# values at and over 1,023 bytes, and a deep program folder. A fake xdg-open first on PATH
# records the request and exits with a chosen status.
set -u
binary=${1:?usage: worst_case.sh path/to/mailto}

source "$(dirname "$0")/harness.sh"
mkdir -p "$work/app"
cp "$binary" "$work/app/mailto"
program="$work/app/mailto"
# The longest lines take a while under the sanitizers.
RUN_TIMEOUT=120

run() { run_program "$program" "$@"; }

repeat() { printf "%$2s" "" | tr ' ' "$1"; }

# The native command line is the program path, then each argument, each after one blank: with
# the address "a", count one-byte arguments and a final switch it is this long.
line_length() { echo $((${#program} + 2 + 2 * $1 + 1 + ${#2})); }

# Fills a command line of exactly the given length with one-byte arguments between the address
# and a final "/error=" switch, on the failure path.
long_line_case() {
    local name=$1 length=$2 switch='/error=Worst<#0D><#0A>case'
    local count=$(((length - $(line_length 0 "$switch")) / 2))
    [ "$(line_length "$count" "$switch")" -lt "$length" ] && switch+='!'
    [ "$(line_length "$count" "$switch")" -eq "$length" ] ||
        { echo "worst_case.sh: cannot fill a line of $length bytes" && exit 2; }
    local arguments=()
    for ((i = 0; i < count; i++)); do arguments+=("$((i % 10))"); done
    FAKE_STATUS=2 run a "${arguments[@]}" "$switch"
    expect "$name" "mailto:a?subject=0" $'Worst\r\ncase'"${switch:26}"$'\r\n\ra?subject=0\n'
}

# Windows' longest command line: 32,767 characters, some 16,000 arguments.
long_line_case "longest Windows command line" 32767
# Far longer, as the native platform allows: some 100,000 arguments.
long_line_case "long native command line" 200001

# An argument over the cap is cut to it and stays one argument: the next one is still the subject.
# Its double quotes are dropped first, so they do not count.
long=$(repeat a 70000)
run "${long:0:30000}\"${long:30000}" realsubject
expect "argument over the cap" "mailto:${long:0:65536}?subject=realsubject" ""

# An argument with a blank reaches the tokenizer in double quotes; cut at the cap inside them, it
# is still closed by its quote, and the argument after it keeps its place.
quoted="b c$long"
run "$quoted" "next one"
expect "quoted argument over the cap" "mailto:${quoted:0:65536}?subject=next one" ""

# What lies beyond the cap never becomes an argument of its own: not a subject, not a switch.
FAKE_STATUS=1 run "$(repeat a 65536) b c /error=INJECTED" realsubject
expect "switch beyond the cap" "mailto:$(repeat a 65536)?subject=realsubject" \
    $'Error opening\r\n\r'"$(repeat a 65536)?subject=realsubject"$'\n'

# Settings values hold at most 1,023 bytes: longer ones are cut.
ini="$work/app/mailto.ini"
for length in 1022 1023 1024 5000; do
    address=$(repeat d "$length")
    subject=$(repeat s "$((length + 1))")
    printf '[EMAIL]\nAddress=%s\nSubject=%s\n' "$address" "$subject" > "$ini"
    run
    expect "settings values of $length bytes" \
        "mailto:${address:0:1023}?subject=${subject:0:1023}" ""
done

# The failure text is cut first and decoded afterwards: 1,023 bytes of escapes hold 204 whole
# ones and the start of the next, which stays as it is.
escapes=$(for ((i = 0; i < 300; i++)); do printf '<#41>'; done)
printf '[EMAIL]\nAddress=x@y\nError=%s\n' "$escapes" > "$ini"
FAKE_STATUS=0 run
expect "long failure text, open succeeds" "mailto:x@y" ""
FAKE_STATUS=5 run
expect "long failure text cut before decoding" "mailto:x@y" "$(repeat A 204)<#4"$'\r\n\rx@y\n'
rm "$ini"

# A program folder far deeper than Windows' 260-byte paths: the program still enters it and
# reads the settings file beside it.
deep="$work"
for ((i = 0; i < 30; i++)); do deep+="/folder-$(repeat "$((i % 10))" 20)"; done
mkdir -p "$deep"
cp "$binary" "$deep/mailto"
printf '[EMAIL]\nAddress=deep@b.c\n' > "$deep/mailto.ini"
run_program "$deep/mailto"
expect "deep program folder" "mailto:deep@b.c" ""

finish

#!/usr/bin/env bash
# peak_memory.sh: fails when an ordinary run of the native binary needs more resident memory than
# the limit. The run hands its request to the native harness's fake opener, which must receive it.
# GNU time reports the kernel's peak resident set for the run: the program's, or the opener's if
# that was larger.
#
#   peak_memory.sh path/to/mailto LIMIT-KIB
set -u
binary=$(realpath "${1:?usage: peak_memory.sh path/to/mailto LIMIT-KIB}")
limit=${2:?usage: peak_memory.sh path/to/mailto LIMIT-KIB}
source "$(dirname "$0")/../native/harness.sh"

# GNU time forks (no vfork), so the figure starts from its own small image, not from a caller's.
run_program /usr/bin/time -f %M -o "$work/peak" "$binary" someone@example.com Footprint
expect "ordinary run" "mailto:someone@example.com?subject=Footprint" ""
peak=$(tail -n 1 "$work/peak")
echo "peak resident memory $peak KiB (limit $limit KiB)"
within=$([ -n "$peak" ] && [ "$peak" -le "$limit" ] && echo yes || echo no)
check "peak memory" "at most $limit KiB" yes "$within"
finish

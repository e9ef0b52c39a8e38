#!/usr/bin/env bash
# peak_memory.sh: fails when an ordinary run of the native binary needs more resident memory than
# the limit. The run hands its request to a stub opener, which must receive it. GNU time reports the
# kernel's peak resident set for the run: the program's, or the stub's if that was larger.
#
#   peak_memory.sh path/to/mailto LIMIT-KIB
set -u
binary=$(realpath "${1:?usage: peak_memory.sh path/to/mailto LIMIT-KIB}")
limit=${2:?usage: peak_memory.sh path/to/mailto LIMIT-KIB}
request="mailto:someone@example.com?subject=Footprint"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\nprintf "%%s" "$1" >"$STUB_RECORD"\n' >"$work/xdg-open"
chmod +x "$work/xdg-open"

# GNU time forks (no vfork), so the figure starts from its own small image, not from a caller's.
env -i PATH="$work:/usr/bin:/bin" STUB_RECORD="$work/request" \
    /usr/bin/time -f %M -o "$work/peak" timeout 30 "$binary" someone@example.com Footprint
status=$?
peak=$(tail -n 1 "$work/peak")
got=$(cat "$work/request" 2>/dev/null)
echo "exit status $status, peak resident memory $peak KiB (limit $limit KiB)"
if [ "$status" -ne 0 ] || [ "$got" != "$request" ]; then
    echo "not an ordinary run: the opener was handed '$got'"
    exit 1
fi
[ "$peak" -le "$limit" ]

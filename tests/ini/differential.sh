#!/bin/bash
# differential.sh: asks the POSIX INI reader and the Windows one (under 64-bit Wine) the same
# questions about the same files, and fails unless every answer agrees byte for byte.
#
# Usage: differential.sh <native_probe> <probe.exe or ""> <generator>
# Exit status: 0 when the answers agree, 1 when they differ or the run fails, 77 (skipped) when
# Wine or the cross-compiled probe is not available.
set -u

native_probe=$1
windows_probe=$2
generator=$3
here=$(cd "$(dirname "$0")" && pwd)
seed=${INI_DIFFERENTIAL_SEED:-20240607}
count=${INI_DIFFERENTIAL_FILES:-300}

wine64=$(command -v wine64 || true)
[ -x /usr/lib/wine/wine64 ] && wine64=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -x "$(dirname "$wine64")/wineserver" ] && wineserver=$(dirname "$wine64")/wineserver
if [ -z "$windows_probe" ] || [ ! -f "$windows_probe" ]; then
    echo "SKIP: the Windows probe was not built (no x86_64-w64-mingw32-g++-posix)"
    exit 77
fi
if [ -z "$wine64" ] || [ -z "$wineserver" ]; then
    echo "SKIP: 64-bit Wine is not installed"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ini-differential.XXXXXX")
export WINEPREFIX=$work/prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
# The code page Wine picks follows the locale; C gives the Western one the corpus assumes.
export LC_ALL=C
unset DISPLAY WAYLAND_DISPLAY
finish() {
    timeout 60 "$wineserver" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap finish EXIT

mkdir -p "$work/files/directory.ini" "$work/prefix"
cp "$here"/corpus/*.ini "$work/files/" || exit 1
if ! timeout 120 "$generator" "$work/files" "$seed" "$count"; then
    echo "FAIL: the generator failed"
    exit 1
fi
cat "$here/corpus/queries.txt" "$work/files/queries.txt" > "$work/queries.txt"

if ! timeout 120 "$native_probe" "$work/files" "$work/queries.txt" > "$work/native.txt"; then
    echo "FAIL: the native probe failed"
    exit 1
fi

# Wine sees the host's root as drive Z:; a bare name would be looked up in the Windows folder.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
cp "$windows_probe" "$work/probe.exe"
timeout 120 "$wineserver" -p >/dev/null 2>&1
timeout 300 "$wine64" "$work/probe.exe" "$(windows_path "$work/files")" \
    "$(windows_path "$work/queries.txt")" > "$work/wine.txt" 2> "$work/wine.err"
status=$?
if [ $status -ne 0 ]; then
    echo "FAIL: the probe under Wine ended with status $status"
    tail -n 20 "$work/wine.err"
    exit 1
fi

queries=$(grep -c . "$work/native.txt")
if ! cmp -s "$work/native.txt" "$work/wine.txt"; then
    echo "FAIL: the readers disagree (< native, > Wine); first differences:"
    diff "$work/native.txt" "$work/wine.txt" | cut -c1-300 | head -n 40
    exit 1
fi
if [ "$queries" -lt 1000 ]; then
    echo "FAIL: only $queries answers; the corpus did not load"
    exit 1
fi
echo "PASS: $queries answers agree byte for byte"

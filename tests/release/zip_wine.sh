#!/usr/bin/env bash
# zip_wine.sh: unpacks the Windows release archive into a fresh Wine prefix and runs mailto.exe
# from it: the request must reach the program associated with "mailto:" intact, and the run
# must end with status 0. Skips (77) where the archive's code cannot run, as 32-bit code here.
#
#   zip_wine.sh BUILD-DIR MAILTO.EXE VERSION SYSTEM RUNNER.EXE RECORDER.EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: zip_wine.sh BUILD-DIR MAILTO.EXE VERSION SYSTEM RUNNER.EXE RECORDER.EXE}
exe=${2:?} version=${3:?} system=${4:?} runner=${5:?} recorder=${6:?}
name="mailto-$version-$system"
. "$here/../wine/session.sh"

wine_session_start "$exe"
timeout 120 cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$SESSION_DIR/out" \
    >"$SESSION_DIR/cpack.log" 2>&1 || { cat "$SESSION_DIR/cpack.log"; exit 1; }
python3 -m zipfile -e "$SESSION_DIR/out/$name.zip" "$DRIVE_C"
wine_install_stand_ins "$runner" "$recorder"

(cd "$DRIVE_C/$name" && timeout 60 "$WINE" mailto.exe someone@example.com 'From`1the`1archive' \
    </dev/null >"$SESSION_DIR/run.log" 2>&1)
status=$?
wine_wait_record
request=$(cat "$DRIVE_C/rec/record.txt" 2>/dev/null)
RUN_FAILED=0
[ "$status" -eq 0 ] || fail "mailto.exe from the archive exited with $status"
[ "$request" = '"C:\rec\recorder.exe" "mailto:someone@example.com?subject=From the archive"' ] ||
    fail "the mail program was handed [$request]"
[ $RUN_FAILED = 0 ] || exit 1
echo "ok: mailto.exe from $name.zip opened the request under Wine"

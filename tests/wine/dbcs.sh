#!/bin/bash
# dbcs.sh: paths under a real double-byte code page (932, from a Japanese locale) under Wine: the
# lead-byte table the program builds, and mailto.exe run under a name whose double-byte
# characters end in the byte of "\", from a folder named alike; then the same under a single-byte
# code page (1252, from C.UTF-8, which keeps Unix file names in UTF-8), where every "\" separates.
# Usage: dbcs.sh MAILTO.EXE RUNNER.EXE RECORDER.EXE PROBE.EXE   (0 passed, 1 failed, 77 cannot run)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/session.sh"

MAILTO=$1 RUNNER=$2 RECORDER=$3 PROBE=$4
CASE_TIMEOUT=${CASE_TIMEOUT:-30}
RUN_FAILED=0
# U+8868 U+793A: in code page 932 the bytes 95 5C 8E A6, the first character's second byte a "\".
NAME_UTF8=$'\xe8\xa1\xa8\xe7\xa4\xba'
NAME_932='\x95\\\x8e\xa6' # as the relay trace escapes those bytes
# U+2022: in code page 1252 the byte 95, which before a "\" makes no character with it.
BULLET_UTF8=$'\xe2\x80\xa2'

# Makes ja_JP.UTF-8 available: the system's own, else one compiled into the session folder from
# the locale sources; sets JAPANESE (the environment for a run under code page 932).
japanese_locale() {
    JAPANESE=(LC_ALL=ja_JP.UTF-8)
    [ "$(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null)" = UTF-8 ] && return
    local sources=/usr/share/i18n/locales/ja_JP
    if [ ! -e "$sources" ] || ! command -v localedef >/dev/null; then
        echo "SKIP: no ja_JP.UTF-8 locale and no locale sources to make it: install locales"
        exit 77
    fi
    mkdir -p "$SESSION_DIR/locale"
    localedef -i ja_JP -f UTF-8 "$SESSION_DIR/locale/ja_JP.UTF-8" \
        >"$SESSION_DIR/localedef.log" 2>&1
    JAPANESE=(LOCPATH="$SESSION_DIR/locale" LC_ALL=ja_JP.UTF-8)
    if [ "$(env "${JAPANESE[@]}" locale charmap 2>/dev/null)" != UTF-8 ]; then
        echo "SKIP: ja_JP.UTF-8 could not be made:" && cat "$SESSION_DIR/localedef.log"
        exit 77
    fi
}

setup() {
    wine_session_start "$MAILTO"
    japanese_locale
    wine_install_stand_ins "$RUNNER" "$RECORDER"
    cp "$PROBE" "$DRIVE_C/t/probe.exe"
    IMAGE_BASE=$(pe_image_base "$MAILTO")
    wine_hold_desktop
    # The program's double-byte name can only be given in a Unicode registry file.
    iconv -f UTF-8 -t UTF-16 <<EOF | wine_import_reg
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Debug]
"RelayInclude"="SetCurrentDirectoryA;FindFirstFileA;GetPrivateProfileStringA"
"RelayFromInclude"="$NAME_UTF8.exe;mailto.exe"
EOF
}

# probe_case NAME EXPECTED ENVIRONMENT... -- HEX-PATH...: the probe's report under ENVIRONMENT.
probe_case() {
    local expected=$2 environment=() seen
    CASE_NAME=$1
    shift 2
    while [ "$1" != -- ]; do environment+=("$1") && shift; done
    shift
    seen=$(cd "$DRIVE_C/t" && env "${environment[@]}" timeout "$CASE_TIMEOUT" "$WINE" \
        'C:\t\probe.exe' "$@" </dev/null 2>"$SESSION_DIR/probe-$CASE_NAME.log" | tr -d '\r')
    if [ "$seen" = "$expected" ]; then
        echo "ok   $CASE_NAME"
    else
        fail "the probe reports otherwise (< expected, > seen):"
        diff <(echo "$expected") <(echo "$seen") | sed 's/^/       /'
    fi
}

# Folders of paths, in hexadecimal: the program's own (C:\t\ U+8868 U+793A \ U+8868 U+793A .exe),
# the bytes 61 83 5C at the end, 5C 83 83 5C, the ends of the lead ranges, and bytes just outside.
PATHS=(433a5c745c955c8ea65c955c8ea62e657865 785c61835c 5c83835c 433a5c815c61 433a5c9f5c61
    433a5ce05c61 433a5cfc5c61 433a5c805c61 433a5ca05c61 433a5cdf5c61 433a5cfd5c61)

probe_cases() {
    local folders_932=(433a5c745c955c8ea65c 785c 5c83835c 433a5c 433a5c 433a5c 433a5c
        433a5c805c 433a5ca05c 433a5cdf5c 433a5cfd5c)
    local expected i
    expected=$'acp 932\ndbcs_enabled 1\ncpinfo_lead_bytes 81-9f e0-fc'
    expected+=$'\nsystem_lead_bytes 81-9f e0-fc\ntable 81-9f e0-fc'
    for i in "${!PATHS[@]}"; do expected+=$'\n'"folder_of ${PATHS[i]} ${folders_932[i]}"; done
    probe_case code_page_932_table "$expected" "${JAPANESE[@]}" -- "${PATHS[@]}"

    # Every "\" separates: each folder ends at the path's last 5C.
    expected=$'acp 1252\ndbcs_enabled 0\ncpinfo_lead_bytes none\nsystem_lead_bytes none\ntable none'
    for i in "${!PATHS[@]}"; do
        expected+=$'\n'"folder_of ${PATHS[i]} $(echo "${PATHS[i]}" | sed -E 's/^((..)*5c).*/\1/')"
    done
    probe_case code_page_1252_table "$expected" LC_ALL=C.UTF-8 -- "${PATHS[@]}"
}

# exe_case NAME FOLDER EXE COMMAND-LINE ADDRESS EXPECTED-CALLS ENVIRONMENT...: runs mailto.exe,
# copied to C:\t\FOLDER\EXE (Unix names) beside an .ini of the same name holding ADDRESS, on the
# exact COMMAND-LINE (code page bytes); compares the traced calls and the request the handler got.
exe_case() {
    local folder="$DRIVE_C/t/$2" exe=$3 line=$4 address=$5 expected=$6 status
    local case_dir="$SESSION_DIR/$1"
    CASE_NAME=$1 CASE_FAILED=0
    shift 6
    mkdir -p "$folder" "$case_dir"
    cp "$MAILTO" "$folder/$exe"
    wine_write_ini "$folder/${exe%.exe}.ini" "[EMAIL]"$'\n'"Address=$address"
    printf '%s' "$line" >"$DRIVE_C/t/cmd.txt"
    rm -f "$DRIVE_C/rec/record.txt"
    (cd "$DRIVE_C/t" && env "$@" WINEDEBUG=+relay timeout "$CASE_TIMEOUT" "$WINE" \
        'C:\t\runner.exe' 'C:\t\cmd.txt' </dev/null >"$case_dir/out.log" 2>"$case_dir/trace.log")
    status=$?
    python3 "$HERE/relay_calls.py" "$case_dir/trace.log" "$IMAGE_BASE" >"$case_dir/calls.txt"
    wine_wait_record
    [ $status = 0 ] || fail "exit status $status"
    if ! diff <(echo "$expected") "$case_dir/calls.txt" >"$case_dir/calls.diff"; then
        fail "calls differ from the expected ones (< expected, > seen):"
        sed 's/^/       /' "$case_dir/calls.diff"
    fi
    local record
    record=$(cat "$DRIVE_C/rec/record.txt" 2>&1)
    [ "$record" = "\"C:\\rec\\recorder.exe\" \"mailto:$address\"" ] ||
        fail "the mail handler got [$(cat -v <<<"$record")]"
    [ $CASE_FAILED = 1 ] || echo "ok   $CASE_NAME"
}

# settings_calls FOLDER INI ADDRESS: the calls of a settings run whose .ini holds only an address,
# paths as the trace escapes them.
settings_calls() {
    local ini="C:\\\\t\\\\$1\\\\$2"
    echo "SetCurrentDirectoryA(\"C:\\\\t\\\\$1\\\\\") = 1"
    echo "FindFirstFileA(\"$ini\",PTR) = FOUND"
    echo "GetPrivateProfileStringA(\"EMAIL\",\"Address\",\"\",PTR,1024,\"$ini\") = ${#3}"
    echo "FindFirstFileA(\"$ini\",PTR) = FOUND"
    echo "GetPrivateProfileStringA(\"EMAIL\",\"Subject\",\"\",PTR,1024,\"$ini\") = 0"
}

# A byte-wise search would take the 5C inside the name's first character for the last "\" and
# try to enter C:\t\ U+8868 U+793A \ followed by a lone lead byte.
exe_cases() {
    exe_case double_byte_program_path "$NAME_UTF8" "$NAME_UTF8.exe" \
        $'"C:\\t\\\x95\x5c\x8e\xa6\\\x95\x5c\x8e\xa6.exe"' dbcs@example.com \
        "$(settings_calls "$NAME_932" "$NAME_932.ini" dbcs@example.com)" "${JAPANESE[@]}"
    # The byte 95 before a "\" in a code page 1252 folder name leaves the "\" a separator.
    exe_case single_byte_program_path "a$BULLET_UTF8" mailto.exe \
        $'"C:\\t\\a\x95\\mailto.exe"' sbcs@example.com \
        "$(settings_calls 'a\x95' mailto.ini sbcs@example.com)" LC_ALL=C.UTF-8
}

setup
probe_cases
exe_cases
[ $RUN_FAILED = 0 ] || exit 1
echo "all double-byte cases passed"

#!/bin/bash
# check_exe.sh: static checks of the built executable, without running it.
#   check_exe.sh imports EXE OBJDUMP    only KERNEL32, USER32, SHELL32 and msvcrt are imported
#   check_exe.sh subsystem EXE OBJDUMP  the Windows GUI subsystem (2): no console window
#   check_exe.sh machine EXE i386|x86_64
#   check_exe.sh icon EXE               group icon MAINICON: two 32 x 32 images, 8 and 24 bits
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/session.sh"
mode=$1 exe=$2

check_imports() {
    local found expected
    found=$("$1" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' |
        sort)
    expected=$(printf '%s\n' kernel32.dll msvcrt.dll shell32.dll user32.dll)
    [ "$found" = "$expected" ] && return 0
    echo "imports: $(echo $found); expected: $(echo $expected)"
    return 1
}

check_subsystem() {
    local subsystem
    subsystem=$("$1" -p "$exe" | awk '$1 == "Subsystem" { print $2 + 0 }')
    [ "$subsystem" = 2 ] && return 0
    echo "subsystem ${subsystem:-unknown}, expected 2 (Windows GUI)"
    return 1
}

check_machine() {
    local machine
    machine=$(pe_machine "$exe")
    [ "$machine" = "$1" ] && return 0
    echo "machine $machine, expected $1"
    return 1
}

check_icon() {
    local work listing expected
    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN
    if ! wrestool -x --type=14 --name=MAINICON -o "$work/group.ico" "$exe" ||
        [ ! -s "$work/group.ico" ]; then
        echo "no group icon named MAINICON"
        return 1
    fi
    listing=$(icotool -l "$work/group.ico")
    expected=$(printf '%s\n' \
        '--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256' \
        '--icon --index=2 --width=32 --height=32 --bit-depth=24 --palette-size=0')
    if [ "$listing" != "$expected" ]; then
        echo "MAINICON holds:"
        echo "$listing"
        return 1
    fi
    # Both pictures must decode, not just be listed.
    icotool -x -o "$work" "$work/group.ico" && [ "$(ls "$work"/*.png | wc -l)" = 2 ]
}

case $mode in
    imports) check_imports "$3" ;;
    subsystem) check_subsystem "$3" ;;
    machine) check_machine "$3" ;;
    icon) check_icon ;;
    *) echo "unknown check $mode" >&2; exit 2 ;;
esac

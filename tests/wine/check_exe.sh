#!/bin/bash
# check_exe.sh: static checks of the built executable, without running it.
#   check_exe.sh imports EXE OBJDUMP    only KERNEL32, USER32, SHELL32 and msvcrt are imported
#   check_exe.sh subsystem EXE OBJDUMP  the Windows GUI subsystem (2): no console window
#   check_exe.sh machine EXE i386|x86_64
#   check_exe.sh icon EXE               group icon MAINICON: two 32 x 32 images, 8 and 24 bits
#   check_exe.sh manifest EXE           one manifest, resource 1 of type 24, saying what
#                                       manifest_faults expects
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

# Prints what is wrong with the manifest on standard input, a line each; nothing when it is right.
manifest_faults() {
    python3 -c '
import sys, xml.etree.ElementTree as tree

NS = {
    "v1": "urn:schemas-microsoft-com:asm.v1",
    "v3": "urn:schemas-microsoft-com:asm.v3",
    "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
    "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
    "compat": "urn:schemas-microsoft-com:compatibility.v1",
}
LEVEL = "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel"
SETTINGS = "v3:application/v3:windowsSettings/"
CONTROLS = "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity"
# Element path, attribute (or None for the element text), and the values found there.
EXPECTED = [
    (LEVEL, "level", ["asInvoker"]),
    (LEVEL, "uiAccess", ["false"]),
    (SETTINGS + "ws2016:dpiAwareness", None, ["PerMonitorV2"]),
    (SETTINGS + "ws2005:dpiAware", None, ["true"]),
    (CONTROLS, "type", ["win32"]),
    (CONTROLS, "name", ["Microsoft.Windows.Common-Controls"]),
    (CONTROLS, "version", ["6.0.0.0"]),
    (CONTROLS, "processorArchitecture", ["*"]),
    (CONTROLS, "publicKeyToken", ["6595b64144ccf1df"]),
    # Windows 7, 8, 8.1, 10 and 11.
    ("compat:compatibility/compat:application/compat:supportedOS", "Id", [
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]),
]

try:
    root = tree.fromstring(sys.stdin.buffer.read())
except tree.ParseError as error:
    sys.exit(print("not well-formed XML:", error))
if root.tag != "{%s}assembly" % NS["v1"]:
    print("the root element is", root.tag)
for path, attribute, want in EXPECTED:
    found = [e.get(attribute) if attribute else e.text for e in root.findall(path, NS)]
    if found != want:
        print(path.rsplit(":", 1)[-1], attribute or "text", found, "expected", want)
# The program must keep the ANSI code page of the system it runs on.
for element in root.iter():
    if element.tag.rsplit("}", 1)[-1] == "activeCodePage":
        print("an activeCodePage is set:", element.text)
'
}

check_manifest() {
    local listing faults
    listing=$(wrestool -l --type=24 "$exe")
    if [ "$(grep -c . <<<"$listing")" != 1 ] || [[ "$listing" != "--type=24 --name=1 "* ]]; then
        echo "expected one manifest, resource 1 of type 24; found:"
        echo "$listing"
        return 1
    fi
    faults=$(wrestool -x -R --type=24 --name=1 "$exe" | manifest_faults)
    [ -z "$faults" ] && return 0
    echo "the manifest is wrong:"
    echo "$faults"
    return 1
}

case $mode in
    imports) check_imports "$3" ;;
    subsystem) check_subsystem "$3" ;;
    machine) check_machine "$3" ;;
    icon) check_icon ;;
    manifest) check_manifest ;;
    *) echo "unknown check $mode" >&2; exit 2 ;;
esac

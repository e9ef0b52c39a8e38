#!/usr/bin/env bash
# zip.sh: builds the Windows release archive with CPack and checks it: exactly mailto.exe, the
# sample mailto.ini and README.txt under a folder named after the version; the exe is the one
# built and carries the version resource; the texts have Windows line ends.
#
#   zip.sh BUILD-DIR MAILTO.EXE VERSION SYSTEM
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: zip.sh BUILD-DIR MAILTO.EXE VERSION SYSTEM}
exe=${2:?} version=${3:?} system=${4:?}
name="mailto-$version-$system"
. "$here/archive.sh"

build_archive "$build" ZIP "$name.zip"

listed=$(python3 -c 'import sys, zipfile
print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' \
    "$archive")
expected="$name/README.txt
$name/mailto.exe
$name/mailto.ini"
[ "$listed" == "$expected" ] || fail "the archive holds [$listed], expected [$expected]"

python3 -m zipfile -e "$archive" "$work/unpacked"
root="$work/unpacked/$name"

cmp -s "$root/mailto.exe" "$exe" || fail "mailto.exe in the archive differs from the one built"

wanted="FILEVERSION=$version.0
PRODUCTVERSION=$version.0
FileDescription=Opens the default e-mail program on a new message
FileVersion=$version
InternalName=mailto
OriginalFilename=mailto.exe
ProductName=mailto
ProductVersion=$version"
found=$(wrestool --raw -x -t16 "$root/mailto.exe" | python3 "$here/version_info.py")
[ "$found" == "$wanted" ] || fail "the version resource reads [$found]"

# Every line of the texts ends in CR LF.
for text in README.txt mailto.ini; do
    [ "$(tr -cd '\n' <"$root/$text" | wc -c)" -gt 5 ] || fail "$text is nearly empty"
    [ "$(grep -c $'\r$' "$root/$text")" == "$(wc -l <"$root/$text")" ] ||
        fail "$text has lines without Windows line ends"
done
head -n 1 "$root/README.txt" | grep -q "^mailto $version for Windows"$'\r'"$" ||
    fail "README.txt does not start with the version"
for key in '\[EMAIL\]' ';Address=' ';Subject=' ';Error='; do
    grep -q "^$key" "$root/mailto.ini" || fail "mailto.ini lacks a line starting with $key"
done

[ $failed -eq 0 ] && echo "ok: $name.zip"
exit $failed

#!/usr/bin/env bash
# tarball.sh: builds the native release archive with CPack and checks it: exactly the binary and
# the manual page, under a folder named after the version; the binary from it hands its request
# to the opener; the manual page carries the version and formats without a warning. Also checks
# that `cmake --install` lays out the same files.
#
#   tarball.sh BUILD-DIR VERSION SYSTEM
set -u
build=${1:?usage: tarball.sh BUILD-DIR VERSION SYSTEM}
version=${2:?} system=${3:?}
name="mailto-$version-$system"
. "$(dirname "$0")/archive.sh"

build_archive "$build" TGZ "$name.tar.gz"

expected="$name/bin/mailto
$name/share/man/man1/mailto.1"
listed=$(tar -tzf "$archive" | grep -v '/$' | sort)
[ "$listed" == "$expected" ] || fail "the archive holds [$listed], expected [$expected]"

mkdir "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
root="$work/unpacked/$name"

# The binary from the archive hands its request to the fake opener.
run_program "$root/bin/mailto" 'someone@example.com' 'From`1the`1archive'
expect "the binary from the archive" 'mailto:someone@example.com?subject=From the archive' ""

# The manual page: its header names the version, and groff finds nothing to warn about.
page="$root/share/man/man1/mailto.1"
grep -q "^\.TH MAILTO 1 .*\"mailto $version\"" "$page" || fail "the manual page does not name $version"
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
groff -man -Tutf8 -P-cbou "$page" 2>/dev/null | grep -q 'VANTIK.INI' ||
    fail "the formatted manual page lacks its settings files"

# cmake --install puts the same files in the usual places.
timeout 60 cmake --install "$build" --prefix "$work/prefix" >/dev/null ||
    fail "cmake --install failed"
installed=$(cd "$work/prefix" && find . -type f | sort)
[ "$installed" == $'./bin/mailto\n./share/man/man1/mailto.1' ] ||
    fail "cmake --install gave [$installed]"

[ $failed -eq 0 ] && echo "ok: $name.tar.gz"
exit $failed

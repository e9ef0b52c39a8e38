#!/usr/bin/env bash
# deb.sh: builds the Debian package with CPack and checks it: exactly the binary, the compressed
# manual page, the copyright file, the changelog and the lintian override, no settings file; its
# fields; the changelog's latest entry is this version; the binary unpacked into a throwaway root
# hands its request to the opener; lintian finds no error or warning.
#
#   deb.sh BUILD-DIR VERSION
set -u
build=${1:?usage: deb.sh BUILD-DIR VERSION}
version=${2:?}
for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null ||
        { echo "SKIP: no $tool (dpkg-dev): not a Debian system"; exit 77; }
done
arch=$(dpkg --print-architecture)
name="mailto_${version}_$arch.deb"
. "$(dirname "$0")/archive.sh"

build_archive "$build" DEB "$name"

expected="./usr/bin/mailto
./usr/share/doc/mailto/changelog.gz
./usr/share/doc/mailto/copyright
./usr/share/lintian/overrides/mailto
./usr/share/man/man1/mailto.1.gz"
listed=$(dpkg-deb -c "$archive" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$listed" == "$expected" ] || fail "the package holds [$listed], expected [$expected]"

field() { dpkg-deb -f "$archive" "$1"; }
[ "$(field Package) $(field Version) $(field Architecture)" == "mailto $version $arch" ] ||
    fail "the package is $(field Package) $(field Version) $(field Architecture)"
recommends=$(field Recommends)
[ "$recommends" == "xdg-utils, zenity | kdialog | x11-utils" ] || fail "Recommends: $recommends"

mkdir "$work/root"
dpkg-deb -x "$archive" "$work/root"
binary="$work/root/usr/bin/mailto"

# Depends comes from the libraries the binary needs: none when it is linked statically.
depends=$(field Depends)
if ! readelf -d "$binary" | grep -q NEEDED; then
    [ -z "$depends" ] || fail "a static binary, but Depends: $depends"
else
    [[ "$depends" == *libc6* ]] || fail "a dynamic binary, but Depends: [$depends]"
fi

doc="$work/root/usr/share/doc/mailto"
latest=$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l- -SVersion)
[ "$latest" == "$version" ] || fail "the changelog's latest entry is $latest, not $version"
warnings=$(zcat "$work/root/usr/share/man/man1/mailto.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"

run_program "$binary" 'someone@example.com' 'From`1the`1package'
expect "the binary from the package" 'mailto:someone@example.com?subject=From the package' ""

if ! command -v lintian >/dev/null; then
    [ "$failed" -eq 0 ] && { echo "SKIP: no lintian; every other check passed"; exit 77; }
elif ! timeout 300 lintian --allow-root --fail-on error,warning -I --pedantic "$archive" \
    >"$work/lintian.log" 2>&1; then
    fail "lintian finds errors or warnings:"
fi
cat "$work/lintian.log" 2>/dev/null

[ "$failed" -eq 0 ] && echo "ok: $name"
exit "$failed"

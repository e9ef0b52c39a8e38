#!/usr/bin/env bash
# install.sh [PRESET...]: installs on Debian 12 the packages below that the presets (all without an
# argument) need and the machine lacks, and the i386 architecture for 32-bit Wine; as root or sudo.
set -euo pipefail

# Every preset: the build and Debian's pytest for the end-to-end tests.
packages=(cmake make g++ python3 python3-pytest ca-certificates)
# The native end-to-end tools: strace, memory, the manual page, a display, generated locales.
native_tests=(strace procps time valgrind groff-base file xvfb xdotool x11-utils locales)
# Wine end to end: a display, the icon and version resources read, a Japanese locale, the release
# built twice and compared.
wine_tests=(xvfb xdotool x11-utils icoutils python3-pefile locales diffoscope-minimal)
presets=("$@")
[ $# -gt 0 ] || presets=(native sanitize windows windows64 fuzz)
for preset in "${presets[@]}"; do
    case $preset in
        # unit tests, benchmarks, lint; the real opener, mail programs and zenity (with the
        # session-bus launcher that it would start, and leave behind, without its bridge off); the
        # Debian package
        native) packages+=(libgtest-dev libgmock-dev libbenchmark-dev hyperfine clang-format
                           clang-tidy "${native_tests[@]}" xdg-utils sylpheed claws-mail zenity
                           dbus-x11 dpkg-dev lintian diffoscope-minimal) ;;
        sanitize) packages+=(libgtest-dev libgmock-dev "${native_tests[@]}") ;;
        # the 32-bit executable, its formatting and clang-tidy, and 32-bit Wine
        windows) packages+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
                            clang-format clang-tidy wine wine64 wine32:i386 "${wine_tests[@]}") ;;
        # the 64-bit executable and Wine; the INI reader held against the host build's (g++)
        windows64) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                              mingw-w64-x86-64-dev wine wine64 "${wine_tests[@]}") ;;
        # clang's libFuzzer and sanitizers
        fuzz) packages+=(clang libclang-rt-14-dev) ;;
        *) echo "install.sh: no preset $preset" >&2; exit 2 ;;
    esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
    dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null ||
        { echo "install.sh: missing ${missing[*]}; run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi

echo "Installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}"

#!/usr/bin/env bash
# install.sh: installs on Debian 12 what building and testing the given presets needs (the same
# arguments as tests/all.sh; every preset without one) and the machine lacks: the Debian packages
# below, and the i386 architecture for 32-bit Wine. Runs apt-get as root or through sudo, and only
# when a package is missing.
set -euo pipefail

# Every preset: the build and Debian's pytest for the end-to-end tests.
packages=(cmake make g++ python3 python3-pytest ca-certificates)
# The native program's end-to-end tools: system calls traced, memory measured, the manual page
# formatted, real dialogs under a display of their own in a generated locale.
native_tests=(strace procps time valgrind groff-base file xvfb xdotool x11-utils locales)
# Wine end to end: a display of its own, message boxes read and dismissed, the icon and version
# resources read, a Japanese locale made with localedef; the release built twice and compared.
wine_tests=(xvfb xdotool x11-utils icoutils python3-pefile locales diffoscope-minimal)
presets=("$@")
[ $# -gt 0 ] || presets=(native sanitize windows windows64 fuzz)
for preset in "${presets[@]}"; do
    case $preset in
        # the unit tests, benchmarks, formatting and clang-tidy; the real opener and a real
        # mail program; the Debian package built and checked, the release built twice, compared
        native) packages+=(libgtest-dev libgmock-dev libbenchmark-dev hyperfine clang-format
                           clang-tidy "${native_tests[@]}" xdg-utils sylpheed dpkg-dev lintian
                           diffoscope-minimal) ;;
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

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "install.sh: missing ${missing[*]}; run as root or install sudo" >&2
        exit 1
    fi
}

echo "Installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}"

#!/usr/bin/env bash
# install.sh: installs on Debian 12 what building every preset and running every test needs and
# the machine lacks: the Debian packages below, and the i386 architecture for 32-bit Wine. Runs
# apt-get as root or through sudo, and only when a package is missing.
set -euo pipefail

packages=(
    # the tool, its unit tests and benchmarks
    cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev
    # the fuzz targets (clang's libFuzzer and sanitizers), formatting and clang-tidy
    clang libclang-rt-14-dev clang-format clang-tidy
    # the Windows executables, and python3 that draws the icon
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    binutils-mingw-w64-x86-64 mingw-w64-i686-dev mingw-w64-x86-64-dev python3
    # Wine end to end: a display of its own, message boxes read and dismissed, the icon and
    # version resources unpacked, a Japanese locale made with localedef
    wine wine64 wine32:i386 xvfb xdotool x11-utils icoutils locales
    # native end to end: system calls traced, memory measured, the manual page formatted, the
    # real opener and a real mail program
    strace procps time valgrind groff-base file xdg-utils sylpheed
    # the Debian package built and checked
    dpkg-dev lintian
    ca-certificates
)

missing=()
for package in "${packages[@]}"; do
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

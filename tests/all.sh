#!/usr/bin/env bash
# all.sh [PRESET...]: installs what the presets need and is missing (tests/install.sh, Debian
# 12), then builds every preset (or those given) and runs its tests: the unit tests (also under
# the sanitizers), the native end-to-end tests, the Windows checks and end-to-end tests under
# Wine, the release files, and a minute of fuzzing per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=(native sanitize windows windows64 fuzz)
[ $# -gt 0 ] && presets=("$@")

tests/install.sh "${presets[@]}"

for preset in "${presets[@]}"; do
    echo "=== $preset"
    # The unit tests and benchmarks are asked for, so that a missing library fails here.
    case $preset in
        native) required=(-DMAILTO_TESTS=ON -DMAILTO_BENCHMARKS=ON) ;;
        sanitize) required=(-DMAILTO_TESTS=ON) ;;
        *) required=() ;;
    esac
    cmake --preset "$preset" "${required[@]}" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
    ctest --preset "$preset" -j "$(nproc)"
done

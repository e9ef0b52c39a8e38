#!/usr/bin/env bash
# all.sh [PRESET...]: installs what the presets (all without an argument) need and lack, then
# builds each and runs its tests with CTest: unit, end-to-end, Wine, release files and fuzzing.
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

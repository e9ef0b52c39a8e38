#!/usr/bin/env bash
# all.sh: installs what is missing (tests/install.sh, Debian 12), then builds every preset and
# runs every test: the unit tests (also under the sanitizers), the native end-to-end test, the
# Windows checks and end-to-end tests under Wine, and a minute of fuzzing per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=(native sanitize windows windows64 fuzz)
[ $# -gt 0 ] && presets=("$@")

tests/install.sh

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

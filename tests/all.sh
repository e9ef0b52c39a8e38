#!/usr/bin/env bash
# all.sh: builds every preset and runs every test: the unit tests (also under the sanitizers), the
# native end-to-end test, the Windows checks and end-to-end tests under Wine, and a minute of
# fuzzing per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=(native sanitize windows windows64 fuzz)
[ $# -gt 0 ] && presets=("$@")

for preset in "${presets[@]}"; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
    ctest --preset "$preset" -j "$(nproc)"
done

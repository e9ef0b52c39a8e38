#!/usr/bin/env bash
# bare_build.sh: the README's first command on a machine with only CMake and a compiler. The native
# preset is configured as if GoogleTest and Google Benchmark were missing and built; configure
# says once what it skips, and the program built hands its request to the stand-in opener.
#
#   bare_build.sh SOURCE-DIR
set -u
source_dir=${1:?usage: bare_build.sh SOURCE-DIR}
. "$(dirname "$0")/harness.sh"
build="$work/build"

timeout 300 cmake -S "$source_dir" --preset native -B "$build" \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
    >"$work/configure.log" 2>&1
configured=$?
check configure "exit status" 0 "$configured"
[ "$configured" -eq 0 ] || { cat "$work/configure.log"; finish; exit; }
skipped=$(grep -c '^-- Skipping the unit tests .* and the benchmarks' "$work/configure.log")
check configure "skip messages" 1 "$skipped"

timeout 600 cmake --build "$build" -j2 >"$work/build.log" 2>&1
built=$?
check build "exit status" 0 "$built"
[ "$built" -eq 0 ] || { tail -n 40 "$work/build.log"; finish; exit; }
test_programs=$(cd "$build" && ls unit_tests command_line_bench 2>/dev/null)
check build "test programs built" "" "$test_programs"

run_program "$build/mailto" 'someone@example.com' 'Built`1bare'
expect "the program built" 'mailto:someone@example.com?subject=Built bare' ""
finish

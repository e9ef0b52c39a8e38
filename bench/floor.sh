#!/usr/bin/env bash
# floor.sh: times the native mailto against the floor of what it has to do, and counts the
# instructions it executes.
#
#   bench/floor.sh [BUILD-DIR]
#
# The floor is the work no launcher can avoid: its own start, with the same arguments, and the
# start of the opener. It is bench/floor.cpp, a statically linked program that ignores its
# arguments, starts the opener found on PATH with one request and waits for it. The opener is
# bench/stub_opener.cpp, statically linked too, which exits at once; here it exits 1, so that
# mailto takes its failure path (the failure text on standard error; no display, so no dialog).
# Both cases use the same argument vector for the floor and for mailto:
#   - one argument: the address;
#   - the worst case: a 32,767-byte command line, the address, then one-byte arguments, then the
#     "/error=" switch, so that the switch search walks every argument.
# RUNS (default 1000) runs of each of the four commands are split into ROUNDS (default 20)
# hyperfine calls that take turns, so that a change of load on the machine falls on every command
# alike; the medians over all rounds give the ratios. ROUNDS=1 makes it one hyperfine run.
# callgrind then counts the instructions of one run of mailto in each case.
# Needs a C++ compiler with static libraries (g++ on Debian), hyperfine, valgrind, GNU time
# (/usr/bin/time) and python3. BUILD-DIR defaults to build/native.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/native}")
runs=${RUNS:-1000}
rounds=${ROUNDS:-20}
compiler=${CXX:-c++}
address=someone@example.com

for tool in "$compiler" hyperfine valgrind python3 /usr/bin/time "$build/mailto"; do
    command -v "$tool" >/dev/null || { echo "floor.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Both programs are called mailto, in folders with names of the same length, so that their
# argument vectors are the same, byte for byte, after the first element, and as long in it.
mkdir "$work/bin" "$work/floor" "$work/built"
"$compiler" -O2 -static -o "$work/floor/mailto" bench/floor.cpp
"$compiler" -O2 -static -o "$work/bin/xdg-open" bench/stub_opener.cpp
cp "$build/mailto" "$work/built/mailto"
floor=$work/floor/mailto
mailto=$work/built/mailto

# The one environment of every command: the stub first on PATH, failing; no display.
clean=(env -i HOME="$work" PATH="$work/bin:/usr/bin:/bin" LANG=C.UTF-8 STUB_STATUS=1)

# The worst case: a 32,767-byte command line, the "/error=" switch last.
source bench/worst_case.sh
mapfile -t worst < <(worst_case_arguments "$mailto" "$address")
worst_line="$mailto ${worst[*]}"
[ "${#worst_line}" -eq 32767 ] || { echo "worst case is ${#worst_line} bytes" >&2; exit 1; }

# Each command once, to prove that it reaches the stub with the request it should.
verify() {
    local want=$1 got
    shift
    rm -f "$work/request"
    "${clean[@]}" STUB_RECORD="$work/request" "$@" >/dev/null 2>&1 || true
    got=$(cat "$work/request" 2>/dev/null || echo "(nothing)")
    [ "$got" == "$want" ] || { echo "floor.sh: $1 handed the opener: $got" >&2; exit 1; }
}
verify "mailto:$address" "$floor" "$address"
verify "mailto:$address" "$mailto" "$address"
verify "mailto:$address?subject=${worst[1]}" "$mailto" "${worst[@]}"

names=("floor, one argument" "mailto, one argument" "floor, 32,767 bytes" "mailto, 32,767 bytes")
commands=("$floor $address" "$mailto $address" "$floor ${worst[*]}" "$worst_line")
named=()
for i in "${!names[@]}"; do named+=(-n "${names[i]}" "${commands[i]}"); done
for round in $(seq "$rounds"); do
    echo "# round $round of $rounds" >&2
    "${clean[@]}" hyperfine -N --style basic --warmup 3 --runs $((runs / rounds)) \
        --export-json "$work/round-$round.json" "${named[@]}" >/dev/null
done

# Peak resident set (KiB) over five runs: the largest of the process and the opener it waited for.
peak() {
    local most=0 kib
    for _ in 1 2 3 4 5; do
        "${clean[@]}" /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 || true
        kib=$(tail -n 1 "$work/peak")
        [ "$kib" -gt "$most" ] && most=$kib
    done
    echo "$most"
}
{
    printf '%s\t%s\n' "${names[0]}" "$(peak "$floor" "$address")"
    printf '%s\t%s\n' "${names[1]}" "$(peak "$mailto" "$address")"
    printf '%s\t%s\n' "${names[2]}" "$(peak "$floor" "${worst[@]}")"
    printf '%s\t%s\n' "${names[3]}" "$(peak "$mailto" "${worst[@]}")"
} >"$work/peaks"

# Instructions executed by mailto itself (not the opener), as callgrind counts them.
instructions() {
    "${clean[@]}" valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" \
        --log-file="$work/callgrind.log" "$@" >/dev/null 2>&1 || true
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/callgrind.log"
}
{
    printf '%s\t%s\n' "${names[1]}" "$(instructions "$mailto" "$address")"
    printf '%s\t%s\n' "${names[3]}" "$(instructions "$mailto" "${worst[@]}")"
} >"$work/instructions"

echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)," \
    "Linux $(uname -r); load average at the end: $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo
python3 - "$work" "$rounds" <<'REPORT'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
peaks = dict(line.rstrip("\n").split("\t") for line in open(f"{work}/peaks"))
counts = dict(line.rstrip("\n").split("\t") for line in open(f"{work}/instructions"))

times = {}
for round in range(1, rounds + 1):
    for result in json.load(open(f"{work}/round-{round}.json"))["results"]:
        times.setdefault(result["command"], []).extend(result["times"])
medians = {name: statistics.median(t) for name, t in times.items()}

print("| command | runs | median | mean ± σ | min | × floor (median) | peak memory |")
print("|---|---|---|---|---|---|---|")
names = list(times)
for i, name in enumerate(names):
    t = times[name]
    floor = medians[names[i - i % 2]]
    print(f"| {name} | {len(t)} | {medians[name]*1e3:.3f} ms "
          f"| {statistics.mean(t)*1e3:.3f} ± {statistics.stdev(t)*1e3:.3f} ms "
          f"| {min(t)*1e3:.3f} ms | {medians[name]/floor:.3f} | {int(peaks[name])/1024:.1f} MiB |")
print()
print("| mailto run | instructions (callgrind) |")
print("|---|---|")
for name, count in counts.items():
    print(f"| {name} | {int(count):,} |")
REPORT

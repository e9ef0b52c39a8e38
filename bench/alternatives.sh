#!/usr/bin/env bash
# alternatives.sh: times the launcher against xdg-email and against the opener alone, the worst-case
# command line against a one-argument run, the peak memory of each, and plots the scaling benchmark.
#
#   bench/alternatives.sh [BUILD-DIR [OTHER-BUILD-DIR]]
#
# BUILD-DIR defaults to build/native; the mailto of OTHER-BUILD-DIR, when given, is timed beside it.
# RUNS (default 200) runs of each command are split into ROUNDS (default 10) hyperfine calls that
# take turns, so that a change of load on the machine falls on every command alike.
#
# Every command runs in the same clean environment with a stub opener first on PATH: an `xdg-open`
# that only records its request (and exits with STUB_STATUS). The stub run directly is the floor.
# xdg-email is told it is on a generic desktop (XDG_CURRENT_DESKTOP=X-Generic): it then asks
# xdg-mime for the mailto handler and hands the request to `xdg-open` from PATH, the stub.
# Needs hyperfine, xdg-utils, time (/usr/bin/time), gnuplot and python3. Prints Markdown tables;
# writes docs/scaling.png.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/native}")
other=${2:+$(realpath "$2")}
runs=${RUNS:-200}
rounds=${ROUNDS:-10}
mailto=$build/mailto
address=someone@example.com
subject=subject
request="mailto:$address?subject=$subject"

for tool in hyperfine xdg-email gnuplot python3 /usr/bin/time "$mailto" "$build/command_line_bench" \
    ${other:+"$other/mailto"}; do
    command -v "$tool" >/dev/null || { echo "alternatives.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<'STUB'
#!/bin/sh
printf '%s' "$1" >"$STUB_RECORD"
exit "${STUB_STATUS:-0}"
STUB
chmod +x "$work/bin/xdg-open"
stub=$work/bin/xdg-open

# The one environment of every command: no display, no desktop but the generic one.
clean=(env -i HOME="$work" PATH="$work/bin:/usr/bin:/bin" LANG=C.UTF-8
    XDG_CURRENT_DESKTOP=X-Generic STUB_RECORD="$work/request")

# The worst case: the rebuilt command line is 32,767 bytes, one-byte arguments up to the failure
# text switch, which comes last so that the switch search walks every argument.
worst_case_arguments() {
    local last='/error=Could`1not`1open' length=$((${#mailto} + 1 + ${#address}))
    local -a words=("$address")
    while [ $((length + 2 + 1 + ${#last})) -le 32767 ]; do
        words+=(x)
        length=$((length + 2))
    done
    [ $((length + 1 + ${#last})) -lt 32767 ] && words[1]=xx
    printf '%s\n' "${words[@]}" "$last"
}
mapfile -t worst < <(worst_case_arguments)
worst_line="$mailto ${worst[*]}"
[ "${#worst_line}" -eq 32767 ] || { echo "worst case is ${#worst_line} bytes" >&2; exit 1; }

# The commands of each comparison: a name, then the command line; the last one is the base.
side=("mailto $address $subject" "$mailto $address $subject")
[ -n "$other" ] && side+=("mailto $address $subject (other build)" "$other/mailto $address $subject")
side+=("xdg-email --subject $subject $address" "xdg-email --subject $subject $address"
    "opener alone (floor)" "$stub $request")
longest=("32,767 bytes, failing" "$worst_line" "one argument, failing" "$mailto $address")

# Each command once, to prove that it hands the stub exactly the request.
verify() {
    rm -f "$work/request"
    "${clean[@]}" "$@" >/dev/null 2>&1 || true
    local got
    got=$(cat "$work/request" 2>/dev/null || echo "(nothing)")
    [ "$got" == "$request" ] || { echo "$1 handed the opener: $got" >&2; exit 1; }
}
verify "$mailto" "$address" "$subject"
[ -n "$other" ] && verify "$other/mailto" "$address" "$subject"
verify xdg-email --subject "$subject" "$address"
verify "$stub" "$request"

# time_rounds LABEL STATUS NAME COMMAND ...: hyperfine over the commands, round after round.
time_rounds() {
    local label=$1 status=$2 round
    shift 2
    local -a named=()
    while [ $# -gt 0 ]; do
        named+=(-n "$1" "$2")
        shift 2
    done
    for round in $(seq "$rounds"); do
        echo "# $label: round $round of $rounds" >&2
        "${clean[@]}" STUB_STATUS="$status" hyperfine -N --style basic --warmup 3 \
            --runs $((runs / rounds)) --export-json "$work/$label-$round.json" "${named[@]}" \
            >/dev/null
    done
}
time_rounds side 0 "${side[@]}"
time_rounds longest 1 "${longest[@]}"

# Peak resident set (KiB) of a command over five runs: the largest of the process and the children
# it waited for, as wait4 reports it.
peak() {
    local status=$1 most=0 kib
    shift
    for _ in 1 2 3 4 5; do
        "${clean[@]}" STUB_STATUS="$status" /usr/bin/time -f %M -o "$work/peak" "$@" \
            >/dev/null 2>&1 || true
        kib=$(tail -n 1 "$work/peak")
        [ "$kib" -gt "$most" ] && most=$kib
    done
    echo "$most"
}
{
    for ((i = 0; i < ${#side[@]}; i += 2)); do
        read -r -a words <<<"${side[i + 1]}"
        printf '%s\t%s\n' "${side[i]}" "$(peak 0 "${words[@]}")"
    done
    printf '%s\t%s\n' "${longest[0]}" "$(peak 1 "$mailto" "${worst[@]}")"
    printf '%s\t%s\n' "${longest[2]}" "$(peak 1 "$mailto" "$address")"
} >"$work/peaks"

echo "# Scaling benchmark" >&2
"$build/command_line_bench" --benchmark_format=json --benchmark_repetitions=5 \
    >"$work/scaling.json" 2>/dev/null

python3 - "$work" "$rounds" <<'REPORT'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
peaks = dict(line.rstrip("\n").split("\t") for line in open(f"{work}/peaks"))

def merged(label):
    """Every run's time (s) per command, over all rounds, in the order of the first round."""
    times = {}
    for round in range(1, rounds + 1):
        for result in json.load(open(f"{work}/{label}-{round}.json"))["results"]:
            times.setdefault(result["command"], []).extend(result["times"])
    return times

def table(label, base_label):
    times = merged(label)
    base = statistics.median(list(times.values())[-1])
    print(f"| command | mean ± σ | median | min | × {base_label} (median) | peak memory |")
    print("|---|---|---|---|---|---|")
    for name, t in times.items():
        print(f"| `{name}` | {statistics.mean(t)*1e3:.2f} ± {statistics.stdev(t)*1e3:.2f} ms "
              f"| {statistics.median(t)*1e3:.2f} ms | {min(t)*1e3:.2f} ms "
              f"| {statistics.median(t)/base:.2f} | {int(peaks[name])/1024:.1f} MiB |")
    print()

table("side", "floor")
table("longest", "one argument")

with open(f"{work}/scaling.dat", "w") as out:
    for b in json.load(open(f"{work}/scaling.json"))["benchmarks"]:
        if b["run_type"] == "iteration":
            out.write(f"{b['name'].split('/')[1]} {b['ns_per_byte']*1e9:.3f}\n")
REPORT

mkdir -p docs
gnuplot <<PLOT
set terminal pngcairo size 640,400 font ",10"
set output "docs/scaling.png"
set title "Command-line route over the fake platform, failing open (5 repetitions each)"
set xlabel "command-line length (bytes)"
set ylabel "CPU time per byte (ns)"
set logscale x 2
set xrange [700:48000]
set yrange [0:*]
set grid
set key off
plot "$work/scaling.dat" using 1:2 with points pointtype 7 pointsize 1.2
PLOT
echo "wrote docs/scaling.png" >&2

#!/usr/bin/env bash
# alternatives.sh: times the launcher against xdg-email and against the opener alone, then through
# the real xdg-open against that script alone, the worst-case command line against a one-argument
# run; counts the processes and the peak memory of each; and plots the scaling benchmark.
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
# The third table leaves the stub out: the real xdg-open, on the same generic desktop, with a
# display named (DISPLAY=:0; none is opened), hands the request to the mailto handler that a
# throwaway home names: a stub mail program that only records it.
# Processes are counted as the successful execve calls that strace sees, the command's own
# included. Needs hyperfine, xdg-utils, strace, time (/usr/bin/time), gnuplot and python3. Prints
# the machine and Markdown tables; writes docs/scaling.png.
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

for tool in hyperfine xdg-email xdg-open strace gnuplot python3 /usr/bin/time "$mailto" \
    "$build/command_line_bench" \
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

# The real chain: a home whose mailto handler is a stub mail program, and the real xdg-open.
home=$work/home
mkdir -p "$home/.config" "$home/.local/share/applications" "$work/mail"
cat >"$work/mail/stub-mail" <<'MAIL'
#!/bin/sh
printf '%s' "$1" >"$STUB_RECORD"
MAIL
chmod +x "$work/mail/stub-mail"
printf '[Desktop Entry]\nType=Application\nName=Stub mail\nExec=%s %%u\nMimeType=%s;\n' \
    "$work/mail/stub-mail" x-scheme-handler/mailto >"$home/.local/share/applications/stub-mail.desktop"
printf '[Default Applications]\nx-scheme-handler/mailto=stub-mail.desktop\n' \
    >"$home/.config/mimeapps.list"
real=(env -i HOME="$home" PATH="/usr/bin:/bin" LANG=C.UTF-8 DISPLAY=:0
    XDG_CURRENT_DESKTOP=X-Generic XDG_DATA_DIRS="$work/share" STUB_RECORD="$work/request")

# The worst case: a 32,767-byte command line, the "/error=" switch last.
source bench/worst_case.sh
mapfile -t worst < <(worst_case_arguments "$mailto" "$address")
worst_line="$mailto ${worst[*]}"
[ "${#worst_line}" -eq 32767 ] || { echo "worst case is ${#worst_line} bytes" >&2; exit 1; }

# The commands of each comparison: a name, then the command line; the last one is the base.
side=("mailto $address $subject" "$mailto $address $subject")
[ -n "$other" ] && side+=("mailto $address $subject (other build)" "$other/mailto $address $subject")
side+=("xdg-email --subject $subject $address" "xdg-email --subject $subject $address"
    "opener alone (floor)" "$stub $request")
longest=("32,767 bytes, failing" "$worst_line" "one argument, failing" "$mailto $address")
chain=("mailto $address $subject, real xdg-open" "$mailto $address $subject"
    "real xdg-open alone" "$(command -v xdg-open) $request")

# Each command once, to prove that it hands the stub exactly the request; ENVIRONMENT names the
# array that starts it.
verify() {
    local -n environment=$1
    shift
    rm -f "$work/request"
    "${environment[@]}" "$@" >/dev/null 2>&1 || true
    local got
    got=$(cat "$work/request" 2>/dev/null || echo "(nothing)")
    [ "$got" == "$request" ] || { echo "$1 handed the opener: $got" >&2; exit 1; }
}
verify clean "$mailto" "$address" "$subject"
[ -n "$other" ] && verify clean "$other/mailto" "$address" "$subject"
verify clean xdg-email --subject "$subject" "$address"
verify clean "$stub" "$request"
verify real "$mailto" "$address" "$subject"
verify real xdg-open "$request"

# time_rounds ENVIRONMENT LABEL STATUS NAME COMMAND ...: hyperfine over the commands, round
# after round.
time_rounds() {
    local -n environment=$1
    local label=$2 status=$3 round
    shift 3
    local -a named=()
    while [ $# -gt 0 ]; do
        named+=(-n "$1" "$2")
        shift 2
    done
    for round in $(seq "$rounds"); do
        echo "# $label: round $round of $rounds" >&2
        "${environment[@]}" STUB_STATUS="$status" hyperfine -N --style basic --warmup 3 \
            --runs $((runs / rounds)) --export-json "$work/$label-$round.json" "${named[@]}" \
            >/dev/null
    done
}
time_rounds clean side 0 "${side[@]}"
time_rounds real chain 0 "${chain[@]}"
time_rounds clean longest 1 "${longest[@]}"

# peak ENVIRONMENT STATUS COMMAND...: the peak resident set (KiB) over five runs, the largest of
# the process and the children it waited for, as wait4 reports it.
peak() {
    local -n environment=$1
    local status=$2 most=0 kib
    shift 2
    for _ in 1 2 3 4 5; do
        "${environment[@]}" STUB_STATUS="$status" /usr/bin/time -f %M -o "$work/peak" "$@" \
            >/dev/null 2>&1 || true
        kib=$(tail -n 1 "$work/peak")
        [ "$kib" -gt "$most" ] && most=$kib
    done
    echo "$most"
}

# processes ENVIRONMENT STATUS COMMAND...: how many programs one run starts, its own included.
processes() {
    local -n environment=$1
    local status=$2
    shift 2
    "${environment[@]}" STUB_STATUS="$status" strace -f -qq -e trace=execve -o "$work/execs" \
        "$@" >/dev/null 2>&1 || true
    grep -c ' = 0$' "$work/execs"
}

# measure ENVIRONMENT STATUS NAME COMMAND-LINE: one line of peak memory and process count.
measure() {
    local -a words
    read -r -a words <<<"$4"
    printf '%s\t%s\t%s\n' "$3" "$(peak "$1" "$2" "${words[@]}")" \
        "$(processes "$1" "$2" "${words[@]}")"
}
{
    for ((i = 0; i < ${#side[@]}; i += 2)); do measure clean 0 "${side[i]}" "${side[i + 1]}"; done
    for ((i = 0; i < ${#chain[@]}; i += 2)); do measure real 0 "${chain[i]}" "${chain[i + 1]}"; done
    measure clean 1 "${longest[2]}" "${longest[3]}"
    printf '%s\t%s\t%s\n' "${longest[0]}" "$(peak clean 1 "$mailto" "${worst[@]}")" \
        "$(processes clean 1 "$mailto" "${worst[@]}")"
} >"$work/measures"

echo "# Scaling benchmark" >&2
"$build/command_line_bench" --benchmark_format=json --benchmark_repetitions=5 \
    >"$work/scaling.json" 2>/dev/null

echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)," \
    "Linux $(uname -r); load average at the end: $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo
python3 - "$work" "$rounds" <<'REPORT'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
measures = {}
for line in open(f"{work}/measures"):
    name, kib, count = line.rstrip("\n").split("\t")
    measures[name] = (int(kib), int(count))

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
    print(f"| command | mean ± σ | median | min | × {base_label} (median) | peak memory "
          "| processes |")
    print("|---|---|---|---|---|---|---|")
    for name, t in times.items():
        kib, count = measures[name]
        print(f"| `{name}` | {statistics.mean(t)*1e3:.2f} ± {statistics.stdev(t)*1e3:.2f} ms "
              f"| {statistics.median(t)*1e3:.2f} ms | {min(t)*1e3:.2f} ms "
              f"| {statistics.median(t)/base:.2f} | {kib/1024:.1f} MiB | {count} |")
    print()

table("side", "floor")
table("chain", "xdg-open alone")
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

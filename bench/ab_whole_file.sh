#!/usr/bin/env bash
# Compares the headless analysis of two builds on the same synthesized sweep, in one run: the
# runs of A and B alternate, so that whatever else the machine does weighs on both alike. Prints
# the median CPU time of each and their ratio, and, with valgrind installed, the instruction
# counts of one run each (repeatable whatever the load).
#
# Usage: bench/ab_whole_file.sh BUILD_A BUILD_B [sweep seconds] [runs]   (defaults: 600, 7)
set -euo pipefail
a="$(cd "$1" && pwd)"
b="$(cd "$2" && pwd)"
seconds="${3:-600}"
runs="${4:-7}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
"$b/gravon-synth" --out sweep.wav --sweep "$seconds" >/dev/null
cpu_of() {
    /usr/bin/time -f "%U %S" -o t.txt "$1/gravon-cli" /f100 sweep.wav >/dev/null 2>&1 || true
    awk '{ printf "%.3f\n", $1 + $2 }' t.txt
}
ta=()
tb=()
for ((i = 1; i <= runs; i++)); do
    ta+=("$(cpu_of "$a")")
    tb+=("$(cpu_of "$b")")
done
median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ma=$(median "${ta[@]}")
mb=$(median "${tb[@]}")
awk -v a="$ma" -v b="$mb" -v n="$runs" -v s="$seconds" 'BEGIN {
    printf "%s s sweep, median CPU of %d alternating runs: A %.3f s, B %.3f s, B/A %.3f\n",
        s, n, a, b, b / a }'
if command -v valgrind >/dev/null; then
    "$b/gravon-synth" --out short.wav --sweep 60 >/dev/null
    count() {
        valgrind --tool=callgrind --callgrind-out-file=cg.out "$1/gravon-cli" /f100 short.wav \
            >/dev/null 2>cg.err || true
        awk '/^summary:/ { print $2 }' cg.out
    }
    ia=$(count "$a")
    ib=$(count "$b")
    awk -v a="$ia" -v b="$ib" 'BEGIN {
        printf "60 s sweep, instructions: A %d, B %d, B/A %.4f\n", a, b, b / a }'
fi

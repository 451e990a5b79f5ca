#!/usr/bin/env bash
# Times the headless analysis of a long synthesized phonation: gravon-synth writes a sweep
# (phrases wandering over pitch and level, 100 Pa full scale), gravon-cli analyses it five
# times, and the median wall and CPU times give the speed as a multiple of real time.
#
# Usage: bench/whole_file_timing.sh [build dir] [sweep seconds] [runs]
#        (defaults: build, 600, 5; the programs are built if missing)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build}"
seconds="${2:-600}"
runs="${3:-5}"
build="$(cd "$build" && pwd)"

if [[ ! -x "$build/gravon-synth" || ! -x "$build/gravon-cli" ]]; then
    ninja -C "$build" -j1 gravon-synth gravon-cli >/dev/null
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The command line takes an argument that begins with "/" as a switch, so the file is named
# relative to the working directory.
cd "$work"

echo "Synthesizing a ${seconds} s sweep ..."
"$build/gravon-synth" --out sweep.wav --sweep "$seconds"
bytes=$(stat -c %s sweep.wav)
# 44-byte header, 16-bit mono at 44.1 kHz.
audio=$(awk -v b="$bytes" 'BEGIN { printf "%.3f", (b - 44) / 2 / 44100 }')

have_time=0
[[ -x /usr/bin/time ]] && have_time=1

walls=()
cpus=()
for ((i = 1; i <= runs; i++)); do
    if ((have_time)); then
        /usr/bin/time -f "%e %U %S" -o timing.txt "$build/gravon-cli" /f100 sweep.wav \
            >cli.out 2>cli.err
        read -r wall user sys <timing.txt
    else
        TIMEFORMAT="%R %U %S"
        { time "$build/gravon-cli" /f100 sweep.wav >cli.out 2>cli.err; } 2>timing.txt
        read -r wall user sys <timing.txt
    fi
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    printf "run %d: wall %s s, cpu %s s (user %s, sys %s)\n" "$i" "$wall" "$cpu" "$user" "$sys"
    walls+=("$wall")
    cpus+=("$cpu")
done

median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mwall=$(median "${walls[@]}")
mcpu=$(median "${cpus[@]}")

"$build/gravon-cli" /f100 sweep.wav --summary 2>/dev/null | head -1
awk -v a="$audio" -v w="$mwall" -v c="$mcpu" -v n="$runs" 'BEGIN {
    printf "audio %.1f s; median of %d runs: wall %.2f s, cpu %.2f s\n", a, n, w, c
    printf "x real time: %.0f (wall), %.0f (cpu)\n", a / w, a / c }'

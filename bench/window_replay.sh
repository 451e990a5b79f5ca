#!/usr/bin/env bash
# The cost of the window around a replay: a 10-minute synthesized sweep opened in the desktop
# program on Qt's offscreen platform (the view repainted every 50 ms, the status panel every
# 200 ms, events processed while it replays) against gravon-cli on the same file, their runs
# alternating in one run. Prints the median wall times and their ratio.
#
# Usage: bench/window_replay.sh [build dir] [sweep seconds] [runs]   (defaults: build, 600, 5)
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
seconds="${2:-600}"
runs="${3:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen
"$build/gravon-synth" --out sweep.wav --sweep "$seconds" >/dev/null
wall() {
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}
gui=()
cli=()
for ((i = 1; i <= runs; i++)); do
    # /s: closing after an unsaved analysis would ask to save it and wait for a person.
    gui+=("$(wall "$build/gravon" /f100 sweep.wav /s /c)")
    cli+=("$(wall "$build/gravon-cli" /f100 sweep.wav /s)")
done
median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
g=$(median "${gui[@]}")
c=$(median "${cli[@]}")
awk -v g="$g" -v c="$c" -v s="$seconds" -v n="$runs" 'BEGIN {
    printf "%s s sweep, median wall of %d alternating runs: window %.2f s, gravon-cli %.2f s, window/cli %.3f\n",
        s, n, g, c, g / c }'

#!/bin/bash
# Compares Gravon's batch analysis with two general speech/audio tools, Praat (autocorrelation
# pitch and intensity) and aubio (aubiopitch, yinfft), on one synthesized phonation sweep with
# known F0 and level: speed (median of several runs of wall time, CPU time and peak memory)
# and F0 accuracy against the ground truth. Prints a Markdown table on standard output;
# progress goes to standard error.
#
# Usage: bench/compare_tools.sh [--runs N] [--seconds S] [--step S] [--keep DIR]
#   --runs N      timed runs per tool, the median is reported (default 5)
#   --seconds S   length of the sweep (default 600)
#   --step S      frame step of Praat and aubio in s (default 0.02, Gravon's own frame rate)
#   --keep DIR    keep the sound, truth and every tool's output in DIR
# Installs praat, aubio-tools, time and the build tools when they are missing (apt; as root
# or with sudo) and builds gravon-cli and gravon-synth in build/.
set -euo pipefail

runs=5
sweep_s=600
step=0.02
keep=""
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --seconds) sweep_s=$2; shift 2 ;;
    --step) step=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare_tools.sh: unknown argument \"$1\" (try --help)" >&2; exit 2 ;;
    esac
done
case "$runs" in '' | *[!0-9]* | 0) echo "compare_tools.sh: --runs needs a whole number > 0" >&2; exit 2 ;; esac

cd "$(dirname "$0")/.."
repo=$(pwd)
log() { echo "compare_tools.sh: $*" >&2; }

# --- What the comparison needs -------------------------------------------------------------
need=""
for p in praat aubio-tools time; do
    dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"
done
command -v python3 >/dev/null 2>&1 || need="$need python3"
if [ -n "$need" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    log "installing$need"
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need >&2
fi
# The build tools, and build/ configured for Release (cmake -S . -B build -G Ninja
# -DCMAKE_BUILD_TYPE=Release).
./scripts/setup.sh >&2
log "building gravon-cli and gravon-synth"
cmake --build build -j2 --target gravon-cli gravon-synth >&2

# --- The sound ------------------------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/gravon_compare.XXXXXX")
cleanup() {
    if [ -n "$keep" ]; then
        mkdir -p "$keep" && cp -r "$work"/. "$keep"/ && log "files kept in $keep"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fullscale=100 # Pa, the synthesizer's default
log "synthesizing a ${sweep_s} s sweep"
./build/gravon-synth --out "$work/sweep.wav" --truth "$work/truth.csv" --sweep "$sweep_s" >&2

rate=$(python3 -c 'import sys, wave; print(wave.open(sys.argv[1]).getframerate())' "$work/sweep.wav")
hop=$(python3 -c 'import sys; print(round(float(sys.argv[1]) * int(sys.argv[2])))' "$step" "$rate")
buf=2048

# --- The tools, timed -----------------------------------------------------------------------
# One line per run in times.txt: key wall user sys maxrss_kB.
timed() {
    local key=$1 out=$2
    shift 2
    if ! /usr/bin/time -f "%e %U %S %M" -o "$work/time.one" "$@" >"$out" 2>"$work/$key.err"; then
        log "$key failed:"
        cat "$work/$key.err" >&2
        exit 1
    fi
    echo "$key $(tail -n 1 "$work/time.one")" >>"$work/times.txt"
}

: >"$work/times.txt"
mkdir -p "$work/praat"
for r in $(seq 1 "$runs"); do
    log "run $r of $runs"
    timed gravon "$work/gravon.out" \
        ./build/gravon-cli "/f$fullscale" "$work/sweep.wav" --tracks "$work/g.csv"
    timed praat "$work/praat.out" \
        praat --run "$repo/bench/compare_tools.praat" "$work/sweep.wav" "$work/praat" "$step" 75 1000
    timed aubio_default "$work/aubio_default.txt" \
        aubiopitch -i "$work/sweep.wav" -p yinfft
    timed aubio "$work/aubio.txt" \
        aubiopitch -i "$work/sweep.wav" -p yinfft -H "$hop" -B "$buf"
    timed aubio_s120 "$work/aubio_s120.txt" \
        aubiopitch -i "$work/sweep.wav" -p yinfft -H "$hop" -B "$buf" -s -120
done

# --- The table ------------------------------------------------------------------------------
echo "## Gravon, Praat and aubio on a ${sweep_s} s synthesized phonation sweep"
echo
python3 "$repo/bench/compare_tools.py" --truth "$work/truth.csv" --wav "$work/sweep.wav" \
    --gravon "$work/g.csv" --praat-dir "$work/praat" \
    --aubio aubio_default "$work/aubio_default.txt" "aubio yinfft (its defaults: hop 256)" 256 \
    --aubio aubio "$work/aubio.txt" "aubio yinfft (hop $hop, silence gate -90 dB)" "$hop" \
    --aubio aubio_s120 "$work/aubio_s120.txt" "aubio yinfft (hop $hop, silence gate -120 dB)" "$hop" \
    --aubio-buf "$buf" --fullscale-pa "$fullscale" \
    --times "$work/times.txt" --scan
cpu=$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -n 1)
echo "- Tools: Gravon $(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo '?')" \
    "(gravon-cli /f$fullscale FILE --tracks CSV)," \
    "$(praat --version 2>/dev/null | head -n 1) (To Pitch (ac) $step s, 75-1000 Hz; To Intensity)," \
    "aubio $(dpkg-query -W -f '${Version}' aubio-tools 2>/dev/null) (aubiopitch -p yinfft, with its defaults and with -H $hop -B $buf)."
echo "- Machine: $(nproc) cores, ${cpu:-unknown CPU}, Linux $(uname -r);" \
    "load average at the end $(cut -d ' ' -f 1-3 /proc/loadavg)."

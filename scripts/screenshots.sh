#!/bin/sh
# Pictures of the main window, made on a virtual display (Xvfb):
#   main_window_empty.png     the window as it starts
#   main_window_analysis.png  the example analysed, its whole area selected, with a second,
#                             louder take overlaid as a stored phonetogram
#   every other window in that state: options and advanced settings (a picture per tab), the
#   parameter editors, control panel, statistics, text export, calibration log, and the
#   calibrator and sound-level-meter windows (on the sound server, when one runs)
# Usage: scripts/screenshots.sh [folder]   (default build/screenshots)
set -e
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
./scripts/setup.sh
cmake --build build -j2 --target gravon gravon-cli gravon-synth
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A settings folder of its own: the pictures show the default options.
export XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM
./build/gravon-synth --out "$work/voice.wav" >/dev/null
./build/gravon-synth --out "$work/loud.wav" --glide 260:330 --spl 84:94 --seed 2 >/dev/null
./build/gravon-cli /f100 "$work/loud.wav" /s /c >/dev/null
shoot() {
    name=$1
    shift
    timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" ./build/gravon "$@" \
        --screenshot "$out/$name" /c
    echo "$out/$name"
}
shoot main_window_empty.png
# /s saves the analysis (into the work folder), so that closing has nothing to ask.
shoot main_window_analysis.png /f100 "$work/voice.wav" /s "$work/loud_pg.stdpg" --select-all \
    --window-pictures "$out"
ls "$out"/*.png

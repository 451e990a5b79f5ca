#!/bin/sh
# The main job on the example recording: installs what the build needs, builds, synthesizes
# the example phonation (a calibrated /a/ with known pitch and level), analyses it headless
# as a batch run and saves the results next to it.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j2 --target gravon-cli gravon-synth
out=${1:-example}
mkdir -p "$out"
./build/gravon-synth --out "$out/voice.wav" --truth "$out/voice_truth.csv"
# Full scale of the example is 100 Pa; /s saves, /c closes.
./build/gravon-cli --summary /f100 "$out/voice.wav" /s /c
echo
echo "Results in $out/: voice_pg.stdpg (phonetogram), voice_an.smp and voice_an.kavell"
echo "(sound and analysis tracks); the synthesizer's ground truth is voice_truth.csv."

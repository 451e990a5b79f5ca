#!/bin/sh
# Pictures of the main window, made on a virtual display (Xvfb):
#   main_window_empty.png     the window as it starts
#   main_window_analysis.png  the example analysed, its whole area selected, with the
#                             patient's first session overlaid as a stored phonetogram
#   every other window in that state: options and advanced settings (a picture per tab), the
#   parameter editors, control panel, statistics, text export, calibration log, the full scale
#   of the analysed file (full_scale.png) and its reference marked in its waveform
#   (reference_calibration.png), and the calibrator and sound-level-meter windows (on the
#   sound server, ours started for them when none answers)
#   session_dialog.png        Recording > Session details, with an example patient
#   main_window_reference_group.png
#                             a patient's profile against a reference group of six takes
#                             (gravon-cli --reference-group), outlined at 50 % and 90 %
#   guided_profile_start.png, guided_profile_midway.png, guided_profile_end.png
#                             the guided profile's panel at the start of its take, with two
#                             steps up done, and at its end
#   report.png                the one-page report of the analysis (File > Save report as PDF)
#   main_window_speech.png, statistics_speech.png, report_speech.png
#                             a speech profile (a reading passage) washed over the voice range
#                             profile of the same session: the window, the statistics window
#                             with the profiles' summary, the speech numbers and the contour
#                             table, and the report
#   main_window_cpps.png      a sweep over the voice range, its cells coloured by their CPPS
#                             (gravon-cli --png)
#   control_panel_comparison.png, statistics_comparison.png, main_window_difference_view.png,
#   report_comparison.png     the first session marked as the baseline: the control panel, the
#                             change in the statistics, the difference view, the report
# Usage: scripts/screenshots.sh [--scale N] [folder]   (default build/screenshots, or
#        build/screenshots-2x at --scale 2: the pictures at a scale factor of N on a 1600x1000
#        screen, as a 4K laptop shows them)
#        scripts/screenshots.sh --manual   renews the pictures the user manual shows
#        (docs/manual/pictures: those its pages name, at a scale factor of 1)
set -e
cd "$(dirname "$0")/.."
scale=1
if [ "$1" = "--manual" ]; then
    shots=$(mktemp -d)
    "$0" "$shots" >/dev/null
    names=$(grep -oh 'src="pictures/[^"]*"' docs/manual/*.html | sed 's/src="pictures\///; s/"$//' | sort -u)
    rm -f docs/manual/pictures/*.png
    for n in $names; do
        if [ -f "$shots/$n" ]; then
            cp "$shots/$n" docs/manual/pictures/
        else
            echo "screenshots.sh: the manual shows $n, which no picture here is" >&2
        fi
    done
    rm -rf "$shots"
    ls docs/manual/pictures
    exit 0
fi
if [ "$1" = "--scale" ]; then
    scale=$2
    shift 2
fi
if [ "$scale" = 1 ]; then
    out=${1:-build/screenshots}
    screen="1280x1024x24"
else
    out=${1:-build/screenshots-${scale}x}
    screen="1600x1000x24"
fi
./scripts/setup.sh
cmake --build build -j2 --target gravon gravon-cli gravon-cli-qt gravon-synth
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
# The calibrator and sound-level-meter pictures record from the sound server: start ours when
# none answers, and stop only what was started here.
export PULSE_SERVER=unix:/tmp/gravon-pulse/native
started_server=
if ! pactl info >/dev/null 2>&1; then
    ./scripts/sound_server.sh start
    started_server=1
fi
trap 'rm -rf "$work"; [ -z "$started_server" ] || ./scripts/sound_server.sh stop' EXIT
# A settings folder of its own: the pictures show the default options.
export XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM
./build/gravon-synth --out "$work/voice.wav" >/dev/null
# The same patient's first session, overlaid and later the baseline: lower notes, and no
# voice as soft as today's.
./build/gravon-synth --out "$work/first_session.wav" --glide 196:220 --spl 80:86 --seed 2 >/dev/null
./build/gravon-cli /f100 "$work/first_session.wav" /s /c >/dev/null
shoot() {
    name=$1
    shift
    QT_SCALE_FACTOR=$scale timeout 120 xvfb-run -a -s "-screen 0 $screen" ./build/gravon "$@" \
        --screenshot "$out/$name" /c
    echo "$out/$name"
}
# The members of a reference group: six voices of one range, each wandering over it.
members=""
for i in 1 2 3 4 5 6; do
    ./build/gravon-synth --out "$work/member$i.wav" --sweep 45 --sweep-f0 150:600 \
        --sweep-spl 60:98 --seed $((20 + i)) >/dev/null
    ./build/gravon-cli /f100 "$work/member$i.wav" /s /c >/dev/null
    members="$members $work/member${i}_pg.stdpg"
done
# shellcheck disable=SC2086 # one argument per member
./build/gravon-cli --reference-group "$work/group.stdpg" $members >/dev/null
./build/gravon-synth --out "$work/patient.wav" --sweep 16 --sweep-f0 150:420 --sweep-spl 60:86 \
    --seed 3 >/dev/null
shoot main_window_empty.png
# /s saves the analysis (into the work folder), so that closing has nothing to ask.
shoot main_window_analysis.png /f100 "$work/voice.wav" /s "$work/first_session_pg.stdpg" --select-all \
    --window-pictures "$out"
# The same patient reading a passage: speech wanders over a narrower, lower, softer range.
./build/gravon-synth --out "$work/speech.wav" --sweep 20 --sweep-f0 170:290 --sweep-spl 64:76 \
    --seed 5 >/dev/null
./build/gravon-cli /f100 "$work/speech.wav" --session task=Speech /s /c >/dev/null
mkdir -p "$work/speech_pictures"
shoot main_window_speech.png /f100 "$work/patient.wav" /s "$work/speech_pg.stdpg" \
    --window-pictures "$work/speech_pictures" >/dev/null
for p in statistics report; do
    cp "$work/speech_pictures/$p.png" "$out/${p}_speech.png"
done
echo "$out/main_window_speech.png"
shoot main_window_reference_group.png /f100 "$work/patient.wav" /s "$work/group.stdpg"
# A guided profile (Recording > Guided profile...) of a patient who reaches C3 to G4: from A3
# down, then from Bb3 up, a soft and a loud /a/ at each note, as its take records them; the
# panel at the start, with the first two steps up done, and at the end.
guided_take() { # FILE NOTES: the take of the first NOTES notes sung
    points=$(awk -v count="$2" 'BEGIN {
        lo = 48; hi = 67; start = 57; t = 0; k = 0; s = ""
        for (n = start; n >= lo; n--) notes[k++] = n
        for (n = start + 1; n <= hi; n++) notes[k++] = n
        for (i = 0; i < count && i < k; i++) {
            n = notes[i]
            edge = n - lo < hi - n ? n - lo : hi - n
            narrow = edge < 3 ? 3 - edge : 0 # the range of levels narrows at the ends
            soft = 56 + 0.3 * (n - lo) + 2 * narrow
            loud = 74 + 0.7 * (n - lo) - 2 * narrow
            s = s sprintf("%s%.2f:%d:%.1f,%.2f:%d:%.1f;%.2f:%d:%.1f,%.2f:%d:%.1f",
                          s == "" ? "" : ";", t, n, soft, t + 1.2, n, soft,
                          t + 1.5, n, loud, t + 2.7, n, loud)
            t += 3.2
        }
        print s
    }')
    ./build/gravon-synth --out "$1" --points "$points" --seed 4 >/dev/null
}
guided_take "$work/guided_midway.wav" 12
guided_take "$work/guided.wav" 20
shoot guided_profile_start.png --guided-picture start
shoot guided_profile_midway.png /f100 "$work/guided_midway.wav" /s --guided-picture midway
shoot guided_profile_end.png /f100 "$work/guided.wav" /s --guided-picture end
# A voice-quality layer on the map: display parameter 8 is the CPPS.
./build/gravon-cli --set zParam=8 /f100 "$work/patient.wav" --png "$out/main_window_cpps.png" \
    --size 1000x700 >/dev/null
echo "$out/main_window_cpps.png"
ls "$out"/*.png

#!/bin/bash
# Octave agreement of Gravon's F0 with Praat's To Pitch (ac) on speech and singing of low and
# high voices, with the subharmonic guard on (the default) and off: espeak-ng reads a text in
# male and female voices at several pitches (mixed with room noise, as a recording has it),
# gravon-synth sings glides of bass, tenor, alto and soprano. Prints one Markdown table per
# setting on standard output; progress goes to standard error.
#
# Usage: bench/octave_agreement.sh [--keep DIR]
# Needs praat and espeak-ng (apt-get install praat espeak-ng) and build/gravon-cli,
# build/gravon-synth.
set -euo pipefail

keep=""
[ "${1:-}" = "--keep" ] && keep=$2
cd "$(dirname "$0")/.."
repo=$(pwd)
for t in praat espeak-ng; do
    command -v $t >/dev/null || { echo "octave_agreement.sh: $t is missing" >&2; exit 1; }
done
cmake --build build -j2 --target gravon-cli gravon-synth >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/gravon_octaves.XXXXXX")
cleanup() {
    [ -n "$keep" ] && mkdir -p "$keep" && cp -r "$work"/. "$keep"/
    rm -rf "$work"
}
trap cleanup EXIT

text="The rainbow is a division of white light into many beautiful colors. These take the shape \
of a long round arch, with its path high above, and its two ends apparently beyond the horizon."
# name:voice:pitch; the speech gets 0.5 s of lead-in and room noise at -60 dB re full scale, so
# that the analysis measures a background noise (full scale 1 Pa: about 34 dB SPL).
speech="m30:en-us:30 m50:en-us:50 m70:en-us:70 f50:en-us+f3:50 f70:en-us+f3:70 f90:en-us+f3:90 f99:en-us+f4:99"
for s in $speech; do
    IFS=: read -r name voice pitch <<<"$s"
    espeak-ng -v "$voice" -p "$pitch" -w "$work/raw.wav" "$text"
    python3 - "$work/raw.wav" "$work/speech_$name.wav" <<'PY'
import array, random, sys, wave
w = wave.open(sys.argv[1]); rate = w.getframerate()
a = array.array('h'); a.frombytes(w.readframes(w.getnframes()))
random.seed(1)
out = array.array('h', (max(-32768, min(32767, round(v + random.gauss(0, 32.768))))
                        for v in [0] * (rate // 2) + list(a) + [0] * (rate * 3 // 10)))
o = wave.open(sys.argv[2], 'wb'); o.setnchannels(1); o.setsampwidth(2); o.setframerate(rate)
o.writeframes(out.tobytes()); o.close()
PY
done
# name:glide:spl:vowel:extra
singing="bass_a:82:330:70:90:a: bass_i:98:262:75:85:i: tenor_o:147:440:75:95:o: \
alto_e:175:698:70:95:e: sopr_a:262:1047:75:100:a: sopr_u:330:880:70:95:u:--hnr=20"
seed=1
for s in $singing; do
    IFS=: read -r name f1 f2 l1 l2 vowel extra <<<"$s"
    ./build/gravon-synth --out "$work/sing_$name.wav" --glide "$f1:$f2" --spl "$l1:$l2" \
        --seconds 8 --vowel "$vowel" --seed $seed ${extra:+${extra/=/ }} >/dev/null
    seed=$((seed + 1))
done

rows_on="" rows_off=""
for f in "$work"/speech_*.wav "$work"/sing_*.wav; do
    b=$(basename "$f" .wav)
    fs=100
    case $b in speech_*) fs=1 ;; esac
    echo "octave_agreement.sh: $b" >&2
    mkdir -p "$work/praat_$b"
    praat --run "$repo/bench/compare_tools.praat" "$f" "$work/praat_$b" 0.02 75 1100
    ./build/gravon-cli "/f$fs" "$f" --tracks "$work/on_$b.csv" >/dev/null 2>&1 || true
    ./build/gravon-cli --set SubharmonicGuard=false "/f$fs" "$f" --tracks "$work/off_$b.csv" \
        >/dev/null 2>&1 || true
    rows_on="$rows_on $b $work/on_$b.csv $work/praat_$b"
    rows_off="$rows_off $b $work/off_$b.csv $work/praat_$b"
done
echo "## Subharmonic guard on (default)"
echo
python3 bench/octave_agreement.py $rows_on
echo
echo "## Subharmonic guard off"
echo
python3 bench/octave_agreement.py $rows_off

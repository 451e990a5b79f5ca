#!/bin/sh
# The README's examples of reading the tables, R and pandas, run as they stand in the README on
# tables that gravon-cli wrote here, and what they compute agrees with the summary table.
#   readme_tables_test.sh SOURCE_DIR BUILD_DIR [PYTHON]
set -eu
src=$1
build=$2
python=${3:-python3}
[ -n "$python" ] || python=python3
command -v Rscript >/dev/null 2>&1 || {
    echo "SKIP: Rscript is not installed (scripts/setup.sh installs r-base-core)" >&2
    exit 77
}
work=$(mktemp -d "${TMPDIR:-/tmp}/gravon_readme_XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
cd "$work"

# The code block that follows the line "$1" in the README.
readme_block() {
    awk -v marker="$1" '
        $0 == marker { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }
    ' "$src/README.md"
}

"$build/gravon-synth" --out voice.wav --seconds 2 --f0 196 --spl 78 >/dev/null
"$build/gravon-synth" --out second.wav --seconds 2 --f0 262 --spl 72 >/dev/null
"$build/gravon-cli" /f100 voice.wav --cells-csv cells.csv --tracks tracks.csv \
    --summary-csv corpus.csv
"$build/gravon-cli" /f100 second.wav --summary-csv corpus.csv

readme_block "R:" >example.R
[ -s example.R ] || { echo "FAIL: no R example after \"R:\" in README.md" >&2; exit 1; }
cat >>example.R <<'CHECK'
# What the example computed agrees with the summary row of the same file.
stopifnot(nrow(corpus) == 2, corpus$file[1] == "voice.wav")
stopifnot(abs(sum(voice$time_all_s) - corpus$time_all_s[1]) < 1e-6)
stopifnot(abs(sum(voice$time_all_s[voice$in_area == 1]) - corpus$time_area_s[1]) < 1e-6)
fo <- median(tracks$left_fo[tracks$left_accepted == 1])
stopifnot(is.finite(fo), fo > 185, fo < 208)
stopifnot(sum(is.na(tracks$left_fo)) == sum(tracks$left_accepted == 0))
cat("R example: ok\n")
CHECK
Rscript example.R

readme_block "Python (pandas):" >example.py
[ -s example.py ] || { echo "FAIL: no pandas example in README.md" >&2; exit 1; }
cat >>example.py <<'CHECK'
# What the example computed agrees with the summary row of the same file.
assert len(corpus) == 2 and corpus.file[0] == "voice.wav"
assert abs(voice.time_all_s.sum() - corpus.time_all_s[0]) < 1e-6
assert abs(voice[voice.in_area == 1].time_all_s.sum() - corpus.time_area_s[0]) < 1e-6
assert abs(grid.values.sum() - corpus.time_all_s[0]) < 1e-6
assert 185 < voiced.left_fo.median() < 208
print("pandas example: ok")
CHECK
"$python" example.py

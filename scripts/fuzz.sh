#!/bin/sh
# Fuzzes the file readers: builds the libFuzzer targets (fuzz/*_fuzz.cpp) with clang and the
# sanitizers in build-fuzz/, writes their seed corpora with the program's own writers, and
# runs each target in turn for a bounded time.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]   (default: every target)
#   scripts/fuzz.sh --check    builds every target and runs each once over its seeds only, so
#                              that a target that no longer builds or starts is seen at once
#                              (scripts/test.sh runs this)
#
# The corpora grow in build-fuzz/corpus/<target>/ from run to run. A crash, a sanitizer
# report, a leak, a run over 10 s on one input (a hang) or over 2 GB of memory stops that
# target; its input is kept in build-fuzz/findings/<target>/ and the script ends with status 1.
# Replay one with: build-fuzz/<target> <file>
set -e
cd "$(dirname "$0")/.."
check=""
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
seconds=${1:-60}
[ $# -gt 0 ] && shift

./scripts/setup.sh --fuzz
launcher=""
command -v ccache >/dev/null 2>&1 &&
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DGRAVON_FUZZ=ON -DGRAVON_BUILD_TESTS=OFF \
    -DGRAVON_BUILD_BENCH=OFF $launcher >/dev/null
cmake --build build-fuzz -j"${GRAVON_FUZZ_JOBS:-2}" --target gravon_fuzz

rm -rf build-fuzz/seeds
./build-fuzz/gravon-fuzz-seeds build-fuzz/seeds
# The targets' temporary files, kept apart (and left here when a target crashes).
mkdir -p build-fuzz/tmp
TMPDIR=$(pwd)/build-fuzz/tmp
export TMPDIR

targets="$*"
[ -z "$targets" ] && targets=$(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')

if [ -n "$check" ]; then
    for t in $targets; do
        [ -d "build-fuzz/seeds/$t" ] || {
            echo "$t: no seeds (fuzz/make_seeds.cpp writes none for it)"
            exit 1
        }
        # Files, not a folder: each runs once and nothing is fuzzed.
        UBSAN_OPTIONS=print_stacktrace=1 ./build-fuzz/"$t" -timeout=10 -rss_limit_mb=2048 \
            "build-fuzz/seeds/$t"/* >"build-fuzz/$t.log" 2>&1 || {
            tail -n 20 "build-fuzz/$t.log"
            echo "$t: fails on its own seeds (log build-fuzz/$t.log)"
            exit 1
        }
        echo "$t: builds and reads its $(ls "build-fuzz/seeds/$t" | wc -l) seeds"
    done
    exit 0
fi

failed=""
summary=""
for t in $targets; do
    corpus=build-fuzz/corpus/$t
    findings=build-fuzz/findings/$t
    mkdir -p "$corpus" "$findings"
    dict=""
    [ -f "fuzz/$t.dict" ] && dict="-dict=fuzz/$t.dict"
    echo "=== $t: $seconds s"
    status=0
    UBSAN_OPTIONS=print_stacktrace=1 ./build-fuzz/"$t" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$findings/" $dict "$corpus" "build-fuzz/seeds/$t" \
        >"build-fuzz/$t.log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/$t.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "build-fuzz/$t.log" | tail -1)
    if [ "$status" -ne 0 ]; then
        failed="$failed $t"
        grep -E '^==[0-9]+==ERROR|runtime error|^SUMMARY|Test unit written|timeout|out-of-memory' \
            "build-fuzz/$t.log" | head -8
        summary="$summary\n$t: FOUND A FAULT after ${runs:-?} inputs (log build-fuzz/$t.log)"
    else
        summary="$summary\n$t: no fault in ${runs:-?} inputs, $cov"
    fi
done

printf '%b\n' "$summary"
if [ -n "$failed" ]; then
    echo "Faults found in:$failed (inputs in build-fuzz/findings/)"
    exit 1
fi

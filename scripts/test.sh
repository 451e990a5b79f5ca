#!/bin/sh
# Installs what the build needs, builds everything and runs all tests. The tests that play and
# record real sound find a PulseAudio server with a null sink (started here); the tests of the
# real window start their own Xvfb (xvfb-run), the others draw on Qt's offscreen platform. Then
# the tests of the file readers run once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/: a read past a buffer or an overflowing conversion
# of a value from a file fails the test that meets it instead of going unnoticed. Last, the
# fuzz targets are built with clang in build-fuzz/ and each reads its seeds once, so that a
# change under them is seen before anyone fuzzes (scripts/fuzz.sh fuzzes).
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j2
# The sound server is stopped at the end when this run started it.
PULSE_SERVER=unix:/tmp/gravon-pulse/native pactl info >/dev/null 2>&1 && hadserver=1
./scripts/sound_server.sh start
[ -n "${hadserver:-}" ] || trap './scripts/sound_server.sh stop' EXIT
export PULSE_SERVER=unix:/tmp/gravon-pulse/native
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGRAVON_SANITIZE=ON \
    -DGRAVON_BUILD_BENCH=OFF "-DGRAVON_TEST_DIRS=files;settings;calibration" >/dev/null
cmake --build build-asan -j2 --target gravon_tests
UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2

./scripts/fuzz.sh --check

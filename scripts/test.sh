#!/bin/sh
# Installs what the build needs, builds everything and runs all tests.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

#!/bin/sh
# Installs the packages the build needs (Debian 12 / Ubuntu) and configures build/.
set -e
cd "$(dirname "$0")/.."
need=""
for p in cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev; do
    dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"
done
if [ -n "$need" ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq && $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

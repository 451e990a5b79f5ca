#!/bin/sh
# Starts the desktop program on the example recording: installs what the build needs, builds
# gravon, synthesizes the example phonation when it is not there yet (scripts/example.sh) and
# opens the window on it. Further arguments go to gravon after the example, e.g.
#   scripts/gravon.sh /s        (also save the results next to the example)
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j2 --target gravon gravon-cli gravon-synth
[ -f example/voice.wav ] || ./scripts/example.sh example
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "gravon.sh: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run it from a desktop session, or try: xvfb-run -a $0" >&2
    exit 1
fi
# The example's full scale is 100 Pa.
exec ./build/gravon /f100 example/voice.wav "$@"

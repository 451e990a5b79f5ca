#!/bin/sh
# Starts a PulseAudio server for the tests that play and record real sound: a null sink as the
# default output and, as the default input, a source remapped from the sink's monitor (Qt lists
# no monitor sources), so that whatever is played into the sink can be recorded back.
#   scripts/sound_server.sh start   start it unless one answers (prints nothing else)
#   scripts/sound_server.sh stop
# Works as root too (the daemon then runs as a user daemon of root, without a system bus). The
# server listens on a fixed socket, so that clients find it whatever their XDG folders are:
#   PULSE_SERVER=unix:/tmp/gravon-pulse/native
set -e
# The daemon keeps its pid file under the caller's XDG folders; a test that gives itself folders
# of its own must still find the daemon another caller started, to stop it.
unset XDG_CONFIG_HOME XDG_RUNTIME_DIR
# The daemon leaves when told to, but not at once; a start before it has gone fails, and a
# test that stopped the server would then wait for one that never comes back.
wait_gone() {
    i=0
    while pulseaudio --check 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 100 ] && { pkill -9 -x pulseaudio 2>/dev/null || true; break; }
        sleep 0.1
    done
}
case "${1:-start}" in
stop)
    pkill -f gravon_keepalive 2>/dev/null || true
    PULSE_SERVER=unix:/tmp/gravon-pulse/native pactl exit 2>/dev/null || true
    pulseaudio --kill 2>/dev/null || true
    wait_gone
    exit 0
    ;;
esac
socket=/tmp/gravon-pulse/native
export PULSE_SERVER="unix:$socket"
# An idle null sink renders its monitor in blocks as long as its latency, two seconds when no
# stream asks for less, so a recording would get its sound two seconds late. A silent stream
# that asks for 20 ms keeps it running the way a sound card does.
keepalive() {
    nohup pacat --playback --latency-msec=20 --format=s16le --rate=44100 --channels=2 \
        --client-name=gravon_keepalive /dev/zero >/dev/null 2>&1 &
}
if pactl info >/dev/null 2>&1 && pactl list short sinks 2>/dev/null | grep -q gravon_sink; then
    pgrep -f gravon_keepalive >/dev/null 2>&1 || keepalive
    exit 0
fi
pulseaudio --kill 2>/dev/null || true
wait_gone
mkdir -p /tmp/gravon-pulse
rm -f "$socket"
# No configuration of the machine's: only the modules these tests need.
conf=$(mktemp)
cat >"$conf" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1 socket=/tmp/gravon-pulse/native
load-module module-null-sink sink_name=gravon_sink rate=44100 channels=2 sink_properties=device.description=Gravon_null_sink
load-module module-remap-source source_name=gravon_mic master=gravon_sink.monitor source_properties=device.description=Gravon_loopback_microphone
set-default-sink gravon_sink
set-default-source gravon_mic
PA
pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit --high-priority=yes \
    --realtime=yes -n -F "$conf" \
    --log-target=stderr >/dev/null 2>&1 || true
i=0
while ! pactl info >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -gt 50 ] && { echo "sound_server.sh: PulseAudio did not start" >&2; exit 1; }
    sleep 0.1
done
rm -f "$conf"
keepalive

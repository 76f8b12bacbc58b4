#!/usr/bin/env bash
# Starts or stops a private PulseAudio server for the real-audio tests.
#
#   pulse-fixture.sh start <state file>   start it; the state file receives its runtime folder
#   pulse-fixture.sh stop <state file>    stop it and remove the folder
#
# The server has two null sinks, "tq_stereo" (front-left, front-right; the default sink) and
# "tq_surround" (8 channels, the 7.1 layout), and listens only on a socket in its own folder,
# so it neither meets nor disturbs a desktop's sound server. Runs as root too (CI does).
set -euo pipefail

command=${1:?start or stop}
state=${2:?state file}

# An idle null sink renders ahead in blocks of two seconds, and a stream that joins it waits
# for the block to end; a silent low-latency stream on each sink keeps them running in short
# blocks (and their monitors recording). Silence adds nothing to what the tests measure.
keep_sinks_running() {
    local folder=$1
    PULSE_SERVER="unix:$folder/native" pacat --playback --raw --format=s16le --rate=44100 \
        --channels=2 --latency-msec=20 --device=tq_stereo </dev/zero >/dev/null 2>&1 &
    echo $! >"$folder/keepalive-stereo.pid"
    PULSE_SERVER="unix:$folder/native" pacat --playback --raw --format=s16le --rate=44100 \
        --channels=8 --channel-map=front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right \
        --latency-msec=20 --device=tq_surround </dev/zero >/dev/null 2>&1 &
    echo $! >"$folder/keepalive-surround.pid"
    # Wait until both have left their long idle block (reported latency under 100 ms).
    for _ in $(seq 50); do
        if PULSE_SERVER="unix:$folder/native" pactl list sinks 2>/dev/null |
            awk '/^\tLatency:/ { if ($2 > 100000) slow = 1; count++ }
                 END { exit !(count == 2 && !slow) }'; then
            return 0
        fi
        sleep 0.1
    done
}

stop_server() {
    [[ -f $state ]] || return 0
    local folder
    folder=$(<"$state")
    for keeper in "$folder"/keepalive-*.pid; do
        [[ -f $keeper ]] && kill "$(<"$keeper")" 2>/dev/null || true
    done
    if [[ -f $folder/pid ]]; then
        local pid
        pid=$(<"$folder/pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    [[ $folder == */tonquelle-pulse.* ]] && rm -rf "$folder"
    rm -f "$state"
}

start_server() {
    stop_server
    local folder
    folder=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-pulse.XXXXXX")
    mkdir -p "$folder/runtime" "$folder/home" "$folder/state"
    chmod 700 "$folder/runtime"
    cat >"$folder/server.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$folder/native
load-module module-null-sink sink_name=tq_stereo channels=2 channel_map=front-left,front-right rate=44100 sink_properties=device.description=TestStereo
load-module module-null-sink sink_name=tq_surround channels=8 channel_map=front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right rate=44100 sink_properties=device.description=TestSurround
set-default-sink tq_stereo
PA
    # ALSA's default device goes to this server through the pulse plug-in (PortAudio's path).
    cat >"$folder/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA
    echo "$folder" >"$state"
    # -n: no default script; the server stays up however idle; nothing reaches D-Bus or X11.
    # A server left behind by an interrupted run ends by itself after ten minutes.
    env HOME="$folder/home" XDG_RUNTIME_DIR="$folder/runtime" \
        PULSE_RUNTIME_PATH="$folder/runtime" PULSE_STATE_PATH="$folder/state" \
        DISPLAY= DBUS_SESSION_BUS_ADDRESS=disabled: \
        timeout 600 pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --disable-shm=yes \
        --use-pid-file=no --log-target=file:"$folder/server.log" -F "$folder/server.pa" \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$folder/pid"
    for _ in $(seq 100); do
        if PULSE_SERVER="unix:$folder/native" pactl list short sinks 2>/dev/null |
            grep -q tq_surround; then
            keep_sinks_running "$folder"
            return 0
        fi
        kill -0 "$(<"$folder/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "The private PulseAudio server did not start:" >&2
    cat "$folder/server.log" >&2 || true
    stop_server
    return 1
}

case $command in
    start) start_server ;;
    stop) stop_server ;;
    *) echo "usage: $0 start|stop <state file>" >&2; exit 2 ;;
esac

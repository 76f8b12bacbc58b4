#!/usr/bin/env bash
# Starts, kills, restarts or stops a private sound server for the real-audio tests.
#
#   sound-server-fixture.sh start <kind> <state file>   start it; the state file receives its folder
#   sound-server-fixture.sh kill <state file>           kill the server as a crash would (-9)
#   sound-server-fixture.sh restart <state file>        start it again in the same folder
#   sound-server-fixture.sh stop <state file>           stop everything and remove the folder
#
# <kind> is "pulseaudio" (PulseAudio's own server) or "pipewire" (PipeWire with pipewire-pulse
# and WirePlumber, on a private D-Bus session bus). Either way the PulseAudio protocol answers on
# <folder>/native, and the server has four null sinks: "tq_stereo" (front-left, front-right; the
# default sink, "TestStereo"), "tq_surround" (8 channels, the 7.1 layout, "TestSurround"),
# "tq_aux4" (four AUX channels) and "tq_mono" (one mono channel), the last two both described as
# "Null Output". Nothing listens outside the folder, so the server neither meets nor disturbs a
# desktop's sound server. Runs as root too (CI does). A server left behind by an interrupted run
# ends by itself after ten minutes.
set -euo pipefail

command=${1:?start, kill, restart or stop}
if [[ $command == start ]]; then
    kind=${2:?pulseaudio or pipewire}
    state=${3:?state file}
else
    state=${2:?state file}
fi

SURROUND_MAP=front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right

in_folder() {  # <folder> <command...>: runs a client of the private server
    local folder=$1
    shift
    env PULSE_SERVER="unix:$folder/native" "$@"
}

# The environment of the server's processes: private runtime, home, configuration and bus.
server_env() {
    local folder=$1
    echo HOME="$folder/home" XDG_RUNTIME_DIR="$folder/runtime" XDG_CONFIG_HOME="$folder/config" \
        PULSE_RUNTIME_PATH="$folder/runtime/pulse" PULSE_STATE_PATH="$folder/state" \
        PIPEWIRE_RUNTIME_DIR="$folder/runtime" DISPLAY= \
        DBUS_SESSION_BUS_ADDRESS="$(cat "$folder/bus" 2>/dev/null || echo disabled:)"
}

launch() {  # <folder> <name> <command...>: starts a server process, its pid in <name>.pid
    local folder=$1 name=$2
    shift 2
    # shellcheck disable=SC2046
    env $(server_env "$folder") timeout 600 "$@" </dev/null >>"$folder/$name.log" 2>&1 &
    echo $! >"$folder/$name.pid"
}

start_pulseaudio() {
    local folder=$1
    echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$folder/native" \
        >"$folder/server.pa"
    # -n: no default script; the server stays up however idle; nothing reaches D-Bus or X11.
    launch "$folder" pulseaudio pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --disallow-exit --disable-shm=yes --use-pid-file=no -F "$folder/server.pa"
}

start_pipewire() {
    local folder=$1
    if [[ ! -f $folder/bus ]]; then  # a session bus of its own, kept over restarts
        dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$folder/bus.tmp" \
            </dev/null >/dev/null 2>&1 &
        echo $! >"$folder/dbus-daemon.pid"
        for _ in $(seq 50); do [[ -s $folder/bus.tmp ]] && break; sleep 0.1; done
        head -n 1 "$folder/bus.tmp" >"$folder/bus"
    fi
    launch "$folder" pipewire pipewire
    for _ in $(seq 50); do [[ -S $folder/runtime/pipewire-0 ]] && break; sleep 0.1; done
    launch "$folder" wireplumber wireplumber
    launch "$folder" pipewire-pulse pipewire-pulse
    # pipewire-pulse listens in its runtime folder; clients look for <folder>/native.
    ln -sfn "$folder/runtime/pulse/native" "$folder/native"
}

# Right after a start pipewire-pulse may answer before the PipeWire daemon can make or choose
# nodes ("Not supported"): each request is asked again for up to twenty seconds (on a loaded
# machine a restarted PipeWire has taken more than five).
pactl_retried() {  # <folder> <pactl arguments...>
    local folder=$1
    shift
    for _ in $(seq 200); do
        in_folder "$folder" pactl "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "pactl $* failed for twenty seconds" >&2
    return 1
}

load_sink() {  # <folder> <module arguments...>
    local folder=$1
    shift
    pactl_retried "$folder" load-module module-null-sink rate=44100 "$@"
}

load_sinks() {
    local folder=$1
    load_sink "$folder" sink_name=tq_stereo channels=2 channel_map=front-left,front-right \
        sink_properties=device.description=TestStereo
    load_sink "$folder" sink_name=tq_surround channels=8 channel_map=$SURROUND_MAP \
        sink_properties=device.description=TestSurround
    load_sink "$folder" sink_name=tq_aux4 channels=4 channel_map=aux0,aux1,aux2,aux3 \
        "sink_properties=\"device.description='Null Output'\""
    load_sink "$folder" sink_name=tq_mono channels=1 channel_map=mono \
        "sink_properties=\"device.description='Null Output'\""
    pactl_retried "$folder" set-default-sink tq_stereo
}

# An idle null sink renders ahead in blocks of two seconds, and a stream that joins it waits
# for the block to end; a silent low-latency stream on each sink keeps them running in short
# blocks (and their monitors recording). Silence adds nothing to what the tests measure.
keep_sinks_running() {
    local folder=$1
    local -A maps=([tq_stereo]=front-left,front-right [tq_surround]=$SURROUND_MAP
        [tq_aux4]=aux0,aux1,aux2,aux3 [tq_mono]=mono)
    for sink in "${!maps[@]}"; do
        local map=${maps[$sink]}
        local channels
        channels=$(tr ',' '\n' <<<"$map" | wc -l)
        # Started through env, which becomes pacat: the pid is pacat's own.
        env PULSE_SERVER="unix:$folder/native" pacat --playback --raw --format=s16le \
            --rate=44100 --channels="$channels" --channel-map="$map" --latency-msec=20 \
            --device="$sink" </dev/zero >/dev/null 2>&1 &
        echo $! >"$folder/keepalive-$sink.pid"
    done
    # Wait until all have left their long idle block (reported latency under 100 ms).
    for _ in $(seq 50); do
        if in_folder "$folder" pactl list sinks 2>/dev/null |
            awk '/^\tLatency:/ { if ($2 > 100000) slow = 1; count++ }
                 END { exit !(count == 4 && !slow) }'; then
            return 0
        fi
        sleep 0.1
    done
}

# Starts the server kind of <folder> and waits until its sinks are there.
run_server() {
    local folder=$1 kind
    kind=$(<"$folder/kind")
    "start_$kind" "$folder"
    for _ in $(seq 300); do
        if in_folder "$folder" pactl info >/dev/null 2>&1; then
            load_sinks "$folder"
            keep_sinks_running "$folder"
            return 0
        fi
        sleep 0.1
    done
    echo "The private $kind server did not start:" >&2
    cat "$folder"/*.log >&2 || true
    return 1
}

# Each pid file names a process we started: a server's `timeout` guard (which passes TERM on to
# the server, but not KILL: its child gets that directly) or a client. All get the signal at
# once; whatever still runs five seconds later is killed.
end_processes() {  # <signal> <pid files...>
    local signal=$1
    shift
    local pids=()
    for file in "$@"; do
        [[ -f $file ]] || continue
        pids+=("$(<"$file")")
        rm -f "$file"
    done
    for pid in "${pids[@]}"; do
        if [[ $signal == KILL ]]; then pkill -KILL -P "$pid" 2>/dev/null || true; fi
        kill "-$signal" "$pid" 2>/dev/null || true
    done
    for _ in $(seq 50); do
        local alive=0
        for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        ((alive)) || return 0
        sleep 0.1
    done
    for pid in "${pids[@]}"; do
        pkill -KILL -P "$pid" 2>/dev/null || true
        kill -9 "$pid" 2>/dev/null || true
    done
}

server_pids() {  # the pid files of the server's own processes (not the bus)
    local folder=$1
    ls "$folder"/keepalive-*.pid "$folder"/pulseaudio.pid "$folder"/pipewire-pulse.pid \
        "$folder"/wireplumber.pid "$folder"/pipewire.pid 2>/dev/null || true
}

folder_of_state() {
    [[ -f $state ]] && cat "$state"
}

stop_server() {
    local folder
    folder=$(folder_of_state) || return 0
    # shellcheck disable=SC2046
    end_processes TERM $(server_pids "$folder") "$folder/dbus-daemon.pid"
    [[ $folder == */tonquelle-sound.* ]] && rm -rf "$folder"
    rm -f "$state"
}

start_server() {
    stop_server
    local folder
    folder=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-sound.XXXXXX")
    mkdir -p "$folder/runtime/pulse" "$folder/home" "$folder/config" "$folder/state"
    chmod 700 "$folder/runtime" "$folder/runtime/pulse"
    echo "$kind" >"$folder/kind"
    # ALSA's default device goes to this server through the pulse plug-in (PortAudio's path).
    cat >"$folder/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA
    echo "$folder" >"$state"
    run_server "$folder" || { stop_server; return 1; }
}

case $command in
    start) start_server ;;
    stop) stop_server ;;
    kill)
        folder=$(folder_of_state)
        # shellcheck disable=SC2046
        end_processes KILL $(server_pids "$folder")
        ;;
    restart)
        folder=$(folder_of_state)
        # A server that still answers is left as it is (no second one, no doubled sinks).
        in_folder "$folder" pactl info >/dev/null 2>&1 || run_server "$folder"
        ;;
    *) echo "usage: $0 start <kind> <state file> | kill|restart|stop <state file>" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Dropouts under load and the time from an edit to its sound, per buffer length.
#
#   bench/dropouts.sh [BUILD_FOLDER] [pulseaudio|pipewire]     (defaults: build, pulseaudio)
#   SECONDS_PER_RUN=60 LENGTHS="50 100 250 1000" REPEATS=20 to change the runs
#
# On a private sound server (the real-audio tests' fixture), for each buffer length: the
# generator (engine and PulseAudio device) plays a 1 kHz sine on one null sink while
# `pacat --latency-msec=<length>` plays the same sine on another, both for SECONDS_PER_RUN
# seconds, while two busy loops at ordinary priority keep both cores fully loaded; both sinks'
# monitors are recorded, and every run of at least 1 ms of digital silence between the first
# and the last sound counts as a dropout. Then, without load, the time from an edit (unmuting
# the channel) to its first sound on the monitor is measured REPEATS times per length.
# Prints one table. The busy loops compete with whatever else runs on the machine: measure
# when `uptime` shows little load.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kind=${2:-pulseaudio}
seconds=${SECONDS_PER_RUN:-60}
lengths=${LENGTHS:-50 100 250 1000}
repeats=${REPEATS:-20}

cmake --build "$build" --target tonquelle-playback-bench >/dev/null
tool="$build/bench/tonquelle-playback-bench"
fixture=tests/realaudio/sound-server-fixture.sh
work=$(mktemp -d)
busy=()
cleanup() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    "$fixture" stop "$work/server" || true
    rm -rf "$work"
}
trap cleanup EXIT

"$fixture" start "$kind" "$work/server"
export PULSE_SERVER="unix:$(<"$work/server")/native"
pactl load-module module-null-sink sink_name=tq_pacat channels=2 \
    channel_map=front-left,front-right rate=44100 >/dev/null
"$tool" sine "$((seconds + 5))" >"$work/sine.raw"

record() {  # <sink> <file>: parec in the background, its pid on stdout
    parec --device="$1.monitor" --format=s16le --rate=44100 --channels=2 \
        --channel-map=front-left,front-right --latency-msec=100 "$2" &
    echo $!
}

echo "load before the runs: $(uptime | sed 's/.*load average: //')"
printf '%-8s | %-28s | %-28s | %s\n' "buffer" "Tonquelle: dropouts (total)" \
    "pacat: dropouts (total)" "edit heard after (min/median/max)"
for length in $lengths; do
    ours=$(record tq_stereo "$work/ours.raw")
    theirs=$(record tq_pacat "$work/theirs.raw")
    sleep 0.5
    busy=()
    for _ in 1 2; do
        bash -c 'while :; do :; done' &
        busy+=($!)
    done
    "$tool" play 0 "$length" "$seconds" >"$work/play.txt" &
    player=$!
    pacat --playback --raw --format=s16le --rate=44100 --channels=2 \
        --latency-msec="$length" --device=tq_pacat "$work/sine.raw" &
    pacat_pid=$!
    wait "$player"
    kill "$pacat_pid" 2>/dev/null || true
    wait "$pacat_pid" 2>/dev/null || true
    for pid in "${busy[@]}"; do kill "$pid"; done
    busy=()
    sleep 0.3
    kill "$ours" "$theirs"
    wait "$ours" "$theirs" 2>/dev/null || true
    read -r our_gaps our_ms < <("$tool" gaps "$work/ours.raw")
    read -r their_gaps their_ms < <("$tool" gaps "$work/theirs.raw")
    read -r fastest median slowest < <("$tool" latency 0 "$length" tq_stereo "$repeats")
    printf '%-8s | %-28s | %-28s | %s\n' "$length ms" \
        "$our_gaps ($our_ms ms; device: $(awk '{ print $2 }' "$work/play.txt"))" \
        "$their_gaps ($their_ms ms)" "$fastest / $median / $slowest ms (goal: $((2 * length + 30)))"
done
echo "load after the runs: $(uptime | sed 's/.*load average: //')"

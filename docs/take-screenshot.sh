#!/usr/bin/env bash
# Takes docs/screenshot.png: Tonquelle with the generator started on two channels (the default
# "Front Left" and "Front Right") and a few panel controls changed, on a private X server and a
# private PulseAudio server with a null sink, so nothing is heard and no desktop is touched.
# Then docs/screenshot-file-dialog.png: Qt's own file dialog of the "..." button, German although
# the program runs under an English locale.
#
#   docs/take-screenshot.sh [<build folder>]   (default: build; the tonquelle target is built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tools/install-deps.sh tools/debian-packages-{run,test,docs}.txt
cmake --build "$build" --target tonquelle >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-shot.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    tests/realaudio/sound-server-fixture.sh stop "$work/pulse.state" || true
    rm -rf "$work"
}
trap cleanup EXIT

tests/realaudio/sound-server-fixture.sh start pulseaudio "$work/pulse.state"
export PULSE_SERVER="unix:$(<"$work/pulse.state")/native"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A copy of the program in a folder of its own keeps its settings file out of the build.
cp "$build/app/tonquelle" "$work/tonquelle"
# Under an English locale (C.UTF-8), in its own folder, which the file dialog shows with the
# help's example waveform beside it.
for level in -1 -0.5 0 0.5 1; do for _ in $(seq 10); do echo "$level"; done; done >"$work/treppe.txt"
(cd "$work" && exec env LANG=C.UTF-8 LC_ALL= LANGUAGE= ./tonquelle >program.log 2>&1) &
pids+=($!)

wait_for_window() {  # <exact title>
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    echo "no window \"$1\"; the program said:" >&2
    cat "$work/program.log" >&2
    return 1
}

main=$(wait_for_window Tonquelle)
sleep 1  # shown is not yet ready for keys
xdotool windowfocus --sync "$main"
xdotool key ctrl+r  # real key events: synthetic ones (--window) upset later clicks
dialog=$(wait_for_window "Ausgabegerät konfigurieren")
sleep 0.5
# "OK" is the button at (210, 225), 100 x 20, in the dialog.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 260)) $((Y + 235)) click 1
for _ in $(seq 50); do
    xdotool search --name "^Ausgabegerät konfigurieren\$" >/dev/null 2>&1 || break
    sleep 0.1
done
# Some edits, so that the panels show a working generator: channel 1 unmuted at 1 kHz, channel 2
# with amplitude modulation. Panel i's frame is at (5, 5 + 205 i) below the menu bar, and the
# window (no frame without a window manager) is the menu bar plus 415 pixels high.
eval "$(xdotool getwindowgeometry --shell "$main")"
top=$((Y + HEIGHT - 415))
xdotool mousemove $((X + 115)) $((top + 5 + 130)) click 1        # "Stummschaltung"
xdotool mousemove $((X + 250)) $((top + 5 + 180)) click 1        # frequency field
xdotool key ctrl+a type --delay 20 1000
xdotool mousemove $((X + 735)) $((top + 210 + 55)) click 1       # "Amplitudenmodulation"
xdotool mousemove 1000 590
sleep 1
import -window "$main" docs/screenshot.png
echo "docs/screenshot.png written"

# The "..." file button of channel 1's waveform is at (180, 70) in its frame.
xdotool mousemove $((X + 5 + 195)) $((top + 5 + 80)) click 1
file_dialog=$(wait_for_window "Öffnen")
sleep 1
import -window "$file_dialog" docs/screenshot-file-dialog.png
echo "docs/screenshot-file-dialog.png written"

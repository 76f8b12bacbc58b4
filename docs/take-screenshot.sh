#!/usr/bin/env bash
# Takes the README's screenshots on a private X server and a private PulseAudio server with null
# sinks, so nothing is heard and no desktop is touched, and checks on the way that the program
# plays: channel 1's tone is recorded from the default sink.
#
#   docs/take-screenshot.sh [<build folder>]
#       docs/screenshot.png: Tonquelle with the generator started on two channels (the default
#       "Front Left" and "Front Right") and a few panel controls changed; then
#       docs/screenshot-file-dialog.png: Qt's own file dialog of the "..." button, German
#       although the program runs under an English locale. (Default build folder: build; the
#       tonquelle target is built.)
#   docs/take-screenshot.sh --windows [<Windows build folder>]
#       docs/screenshot-windows.png: the same with the Windows build, unpacked from its zip into
#       a fresh Wine prefix (default build-windows; tools/windows/build.sh makes the zip when
#       it is missing).
set -euo pipefail
cd "$(dirname "$0")/.."
windows=0
[[ ${1-} == --windows ]] && { windows=1; shift; }
tools/install-deps.sh tools/debian-packages-{run,test,docs}.txt

work=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-shot.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if ((windows)); then timeout 30 wineserver -k 2>/dev/null || true; fi  # its own prefix
    tests/realaudio/sound-server-fixture.sh stop "$work/pulse.state" || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program in a folder of its own (its settings file stays out of the build), beside the
# help's example waveform, which the file dialog shows.
if ((windows)); then
    build=${1:-build-windows}
    compgen -G "$build/Tonquelle-*-windows-x64.zip" >/dev/null || tools/windows/build.sh "$build"
    zip=$(realpath "$(compgen -G "$build/Tonquelle-*-windows-x64.zip" | head -1)")
    export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
    timeout 300 wineboot --init >/dev/null 2>&1 && timeout 300 wineserver --wait
    (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip")
    folder=$(compgen -G "$WINEPREFIX/drive_c/Tonquelle-*")
    start_program() { exec timeout 600 wine tonquelle.exe; }
    shot=docs/screenshot-windows.png
else
    build=${1:-build}
    cmake --build "$build" --target tonquelle >/dev/null
    folder=$work/program
    mkdir "$folder"
    cp "$build/app/tonquelle" "$folder/tonquelle"
    # Under an English locale (C.UTF-8): Qt's texts are German all the same.
    start_program() { exec env LANG=C.UTF-8 LC_ALL= LANGUAGE= ./tonquelle; }
    shot=docs/screenshot.png
fi
for level in -1 -0.5 0 0.5 1; do for _ in $(seq 10); do echo "$level"; done; done >"$folder/treppe.txt"

tests/realaudio/sound-server-fixture.sh start pulseaudio "$work/pulse.state"
export PULSE_SERVER="unix:$(<"$work/pulse.state")/native"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$folder" && start_program >"$work/program.log" 2>&1) &
pids+=($!)

wait_for_window() {  # <exact title>
    for _ in $(seq 600); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    echo "no window \"$1\"; the program said:" >&2
    cat "$work/program.log" >&2
    return 1
}

main=$(wait_for_window Tonquelle)
sleep 1  # shown is not yet ready for keys
# The window (no frame without a window manager) is the menu bar plus 415 pixels high while
# the generator is stopped; the panels begin below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
menu_bar=$((HEIGHT - 415))
xdotool windowfocus --sync "$main"
xdotool key ctrl+r  # real key events: synthetic ones (--window) upset later clicks
dialog=$(wait_for_window "Ausgabegerät konfigurieren")
sleep 0.5
# "OK" is the button at (210, 225), 100 x 20, in the dialog.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 260)) $((Y + 235)) click 1
for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^Ausgabegerät konfigurieren\$" >/dev/null 2>&1 || break
    sleep 0.1
done
sleep 1  # the panels are made, the window grows for the status line
eval "$(xdotool getwindowgeometry --shell "$main")"
top=$((Y + menu_bar))
# Some edits, so that the panels show a working generator: channel 1 unmuted at 1 kHz, channel 2
# with amplitude modulation. Panel i's frame is at (5, 5 + 205 i) below the menu bar.
xdotool mousemove $((X + 115)) $((top + 5 + 130)) click 1        # "Stummschaltung"
xdotool mousemove $((X + 250)) $((top + 5 + 180)) click 1        # frequency field
xdotool key ctrl+a type --delay 20 1000
xdotool mousemove $((X + 735)) $((top + 210 + 55)) click 1       # "Amplitudenmodulation"
xdotool mousemove 1000 590
sleep 1
import -window "$main" "$shot"
echo "$shot written"

# What the default sink (the stereo one) plays: channel 1's 1 kHz at amplitude 0.1 (-20 dBFS) on
# the left, channel 2 muted on the right.
parec --device=tq_stereo.monitor --format=s16le --rate=44100 --channels=2 \
    --channel-map=front-left,front-right --latency-msec=20 "$work/heard.raw" &
pids+=($!)
sleep 1.5
kill "${pids[-1]}"
od -An -v -td2 -w4 "$work/heard.raw" | awk '
    NR > 4410 { left += $1 * $1; right += $2 * $2; n++
                if (last < 0 && $1 >= 0) rising++; last = $1 }
    END { db = n && left ? 20 * log(sqrt(left / n) * sqrt(2) / 32767) / log(10) : -999
          printf "heard: %.0f Hz at %.1f dBFS on the left, %s on the right\n", rising * 44100 / n,
                 db, right ? "sound" : "silence"
          exit !(rising * 44100 / n > 990 && rising * 44100 / n < 1010 && db > -21 && db < -19 && !right) }'

if ((!windows)); then
    # The "..." file button of channel 1's waveform is at (180, 70) in its frame.
    xdotool mousemove $((X + 5 + 195)) $((top + 5 + 80)) click 1
    file_dialog=$(wait_for_window "Öffnen")
    sleep 1
    import -window "$file_dialog" docs/screenshot-file-dialog.png
    echo "docs/screenshot-file-dialog.png written"
fi

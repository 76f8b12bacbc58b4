#!/usr/bin/env bash
# Checks the Windows zip as a user meets it: unpacked into a fresh Wine prefix, with nothing of
# the build on Wine's search path, so a DLL the zip lacks shows at once.
#
#   tools/windows/check-zip.sh <zip>
#
# tonquelle-render.exe answers --version; tonquelle.exe shows its main window on a private X
# server (Xvfb), ends on Alt+F4 like a closed window, and leaves tonquelle.ini beside itself (an
# unpacked folder is its data folder). Every Wine run is bounded; the prefix and the X server
# are removed afterwards.
set -euo pipefail
zip=$(realpath "${1:?zip}")
work=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-zip.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
xvfb=
cleanup() {
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
    timeout 30 wineserver -k 2>/dev/null || true  # this prefix's server only
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "Windows zip: FAILED: $*" >&2
    exit 1
}

timeout 300 wineboot --init >/dev/null 2>&1 && timeout 300 wineserver --wait || fail "no fresh Wine prefix"
folder=$WINEPREFIX/drive_c/$(basename "$zip" -windows-x64.zip)
(cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip")
[[ -f $folder/tonquelle.exe ]] || fail "no $(basename "$folder")/tonquelle.exe in the zip"

version=$(cd "$folder" && timeout 60 wine tonquelle-render.exe --version 2>&1 | tr -d '\r') ||
    fail "tonquelle-render.exe --version: $version"
echo "tonquelle-render.exe --version: $version"

Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(<"$work/display")
(cd "$folder" && exec timeout 120 wine tonquelle.exe >"$work/program.log" 2>&1) &
program=$!
window=
for _ in $(seq 1200); do
    window=$(xdotool search --onlyvisible --name '^Tonquelle$' 2>/dev/null | head -1) || true
    [[ -n $window ]] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
[[ -n $window ]] || fail "tonquelle.exe showed no window: $(tail -n 5 "$work/program.log")"
echo "tonquelle.exe shows its window ($(xdotool getwindowgeometry "$window" | sed -n 's/ *Geometry: //p'))"
sleep 1  # shown is not yet ready for keys
xdotool windowfocus --sync "$window" key alt+F4
wait "$program" || fail "tonquelle.exe did not end on Alt+F4 (status $?)"
[[ -f $folder/tonquelle.ini ]] || fail "tonquelle.exe left no tonquelle.ini beside itself"
echo "tonquelle.exe ended on Alt+F4 and wrote tonquelle.ini beside itself"
echo "Windows zip: unpacked into a fresh Wine prefix, it runs"

#!/usr/bin/env bash
# Checks the Windows libraries of build-deps.sh (building them first when the cache lacks
# them): two small programs in smoke/ build against them with the toolchain file and start
# under Wine. qt-window shows a window on Qt's offscreen platform with Qt's German texts;
# portaudio-devices lists PortAudio's host APIs and output devices as Wine presents a private
# PulseAudio server's two null sinks. Ends with the DLLs the programs need.
#
#   tools/windows/check-deps.sh [build folder]    (default: build-windows-check)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-$repo/build-windows-check}
cache=${TONQUELLE_WINDOWS_CACHE:-$HOME/.cache/tonquelle-windows}

"$here/build-deps.sh"
. "$cache/prefixes.env"

echo "== Building the check programs in $build"
cmake -S "$here/smoke" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" \
    -DTONQUELLE_WINDOWS_PREFIXES="$TONQUELLE_WINDOWS_PREFIXES" >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
cmake --build "$build"

dlls="$TONQUELLE_WINDOWS_QT/bin:$TONQUELLE_WINDOWS_PORTAUDIO/bin"
run() { "$here/run-under-wine.sh" --dlls="$dlls" "$@"; }
failed=0

echo "== Qt: a window on the offscreen platform, German texts"
QT_QPA_PLATFORM=offscreen run "$build/qt-window.exe" "$TONQUELLE_WINDOWS_QT_TRANSLATIONS" ||
    failed=1

echo "== PortAudio: host APIs and output devices"
pulse_state=$(mktemp)
trap '"$repo/tests/realaudio/pulse-fixture.sh" stop "$pulse_state"; rm -f "$pulse_state"' EXIT
if command -v pulseaudio >/dev/null && "$repo/tests/realaudio/pulse-fixture.sh" start "$pulse_state"; then
    PULSE_SERVER="unix:$(<"$pulse_state")/native" run "$build/portaudio-devices.exe" 2>&1 ||
        failed=1
else
    echo "(no private PulseAudio server: Wine has no sound devices to show)"
    run "$build/portaudio-devices.exe" 2>/dev/null || failed=1
fi

# Qt loads its plugins by name at start: the platform (Windows for users, offscreen for tests)
# and the native widget style.
plugins=("$TONQUELLE_WINDOWS_QT/plugins/platforms/qwindows.dll"
    "$TONQUELLE_WINDOWS_QT/plugins/platforms/qoffscreen.dll"
    "$TONQUELLE_WINDOWS_QT/plugins/styles/qwindowsvistastyle.dll")
programs=("$build/qt-window.exe" "$build/portaudio-devices.exe" "${plugins[@]}")
echo "== DLLs the programs and Qt's platform plugins need beside them"
"$here/list-dlls.sh" --dlls="$dlls" "${programs[@]}"
echo "== DLLs they take from Windows"
"$here/list-dlls.sh" --windows --dlls="$dlls" "${programs[@]}" | paste -sd ' '

((failed == 0)) && echo "Windows libraries: all checks passed" || echo "Windows libraries: a check FAILED"
exit $failed

#!/usr/bin/env bash
# Builds Tonquelle for 64-bit Windows on this Debian machine and packs the zip a Windows user
# unpacks and runs:
#
#   tools/windows/build.sh [build folder]     (default: build-windows)
#
# 1. build-deps.sh: installs what is missing (mingw-w64, Wine, …) and builds PortAudio, qtbase and
#    GoogleTest for Windows into the cache outside the repository (reused when present).
# 2. Configures the build folder with the toolchain file and builds tonquelle.exe,
#    tonquelle-render.exe and the test programs.
# 3. Packs <build folder>/Tonquelle-<version>-windows-x64.zip (pack-zip.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(realpath -m "${1:-$repo/build-windows}")
cache=${TONQUELLE_WINDOWS_CACHE:-$HOME/.cache/tonquelle-windows}

"$here/build-deps.sh"
. "$cache/prefixes.env"

# A build folder configured against other library folders (another key of the cache) starts
# afresh: CMake keeps what it found there.
libraries="$TONQUELLE_WINDOWS_PREFIXES;$TONQUELLE_WINDOWS_QT_TRANSLATIONS"
if [[ -f $build/CMakeCache.txt && "$(cat "$build/windows-libraries.txt" 2>/dev/null)" != "$libraries" ]]; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
mkdir -p "$build"
echo "== Configuring $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" \
    -DTONQUELLE_WINDOWS_PREFIXES="$TONQUELLE_WINDOWS_PREFIXES" \
    -DTONQUELLE_QT_TRANSLATIONS="$TONQUELLE_WINDOWS_QT_TRANSLATIONS" \
    -DTONQUELLE_BENCH=OFF >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
printf '%s\n' "$libraries" >"$build/windows-libraries.txt"
echo "== Building"
nice -n 10 cmake --build "$build"
"$here/pack-zip.sh" "$build"

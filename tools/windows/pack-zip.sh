#!/usr/bin/env bash
# Packs the Windows programs of a build folder (tools/windows/build.sh) into the zip a Windows
# user unpacks and runs:
#
#   tools/windows/pack-zip.sh <build folder>
#
# <build folder>/Tonquelle-<version>-windows-x64.zip holds one folder, Tonquelle-<version>, with
#   tonquelle.exe, tonquelle-render.exe      the programs
#   *.dll                                    what they load at start: Qt, PortAudio, the mingw
#                                            runtime (list-dlls.sh)
#   platforms/qwindows.dll, styles/…         Qt's plugins, which Qt loads by name beside the program
#   translations/qtbase_de.qm                Qt's German texts (app/GermanQt.cpp looks there)
#   README.txt, LICENSE.txt                  the README's Windows section, the licence
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(realpath "${1:?build folder}")
cache=${TONQUELLE_WINDOWS_CACHE:-$HOME/.cache/tonquelle-windows}
. "$cache/prefixes.env"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=Tonquelle-$version
zip=$build/$name-windows-x64.zip
staging=$build/zip
folder=$staging/$name
rm -rf "$staging" "$build"/Tonquelle-*-windows-x64.zip
mkdir -p "$folder"/{platforms,styles,translations}

# Every program and DLL without its debugging and unneeded symbols (a third of Qt's size, nine
# tenths of the mingw runtime's).
put() {  # <file> <folder in the zip>
    x86_64-w64-mingw32-strip --strip-unneeded -o "$2/$(basename "$1")" "$1"
}
programs=("$build/app/tonquelle.exe" "$build/tools/tonquelle-render.exe")
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)
for program in "${programs[@]}"; do
    put "$program" "$folder"
done
for plugin in "${plugins[@]}"; do
    put "$TONQUELLE_WINDOWS_QT/plugins/$plugin" "$folder/$(dirname "$plugin")"
done
"$here/list-dlls.sh" --dlls="$TONQUELLE_WINDOWS_QT/bin:$TONQUELLE_WINDOWS_PORTAUDIO/bin" \
    "${programs[@]}" "${plugins[@]/#/$TONQUELLE_WINDOWS_QT/plugins/}" |
    while read -r dll; do put "$dll" "$folder"; done
cp "$TONQUELLE_WINDOWS_QT_TRANSLATIONS/qtbase_de.qm" "$folder/translations/"

# Text files with Windows line ends, so that every editor shows them as they are.
crlf() { sed 's/$/\r/'; }
{
    echo "Tonquelle $version for Windows (64-bit)"
    # The README's Windows section, up to the next section.
    sed -n '/^## Windows$/,/^## /{/^## [^W]/!p}' "$repo/README.md" | sed '1d'
} | crlf >"$folder/README.txt"
crlf <"$repo/LICENSE" >"$folder/LICENSE.txt"

(cd "$staging" && cmake -E tar cf "$zip" --format=zip "$name")
rm -rf "$staging"
echo "Windows zip: $zip ($(du -h "$zip" | cut -f1)):"
cmake -E tar tf "$zip" | sed 's/^/  /'

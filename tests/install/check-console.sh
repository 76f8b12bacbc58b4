#!/usr/bin/env bash
# tonquelle --help and --version answer in German without a display (none is set here), exit 0;
# an unknown option or an argument is named, exit 1.
#
#   tests/install/check-console.sh <tonquelle>
set -uo pipefail
program=$1
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
console() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C "$program" "$@" 2>&1; }

help=$(console --help) || fail "--help: status $?: $help"
[[ $help == *"Zeigt Hilfe zu den Kommandozeilenoptionen an."* &&
    $help == *"Soundkarten-Funktionsgenerator"* ]] || fail "--help is not German: $help"
version=$(console --version) || fail "--version: status $?: $version"
[[ $version == "tonquelle 0.8.0-115 (06.09.2015)" ]] || fail "--version says: $version"

unknown=$(console --help --frob)
status=$?
((status == 1)) && [[ $unknown == *"Unbekannte Option 'frob'"* ]] ||
    fail "--frob: status $status: $unknown"
extra=$(QT_QPA_PLATFORM=offscreen "$program" stray 2>&1)
status=$?
((status == 1)) && [[ $extra == *"Unerwartetes Argument 'stray'"* ]] ||
    fail "an argument: status $status: $extra"
echo "tonquelle answers on the console"

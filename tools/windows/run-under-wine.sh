#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with the mingw runtime DLLs (libstdc++, libgcc,
# winpthread) and the given DLL folders on its search path:
#
#   run-under-wine.sh [--dlls=<folder>:<folder>…] program.exe [arguments…]
#
# The CMake toolchain file names this script as the emulator of test programs. Wine's own
# messages are off unless WINEDEBUG says otherwise. The Wine prefix is WINEPREFIX, else
# wine-prefix in the Windows cache folder (see build-deps.sh); it is made on first use, without
# Wine's Mono and Gecko (nothing to download, no dialog).
set -euo pipefail
dll_folders=()
if [[ ${1-} == --dlls=* ]]; then
    IFS=: read -r -a dll_folders <<<"${1#--dlls=}"
    shift
fi
(($# > 0)) || { echo "usage: $0 [--dlls=<folder>:<folder>…] program.exe [arguments…]" >&2; exit 2; }

. "$(dirname "${BASH_SOURCE[0]}")/mingw-runtime.sh"
mapfile -t -O ${#dll_folders[@]} dll_folders < <(mingw_runtime_folders)
winepath=
for folder in "${dll_folders[@]}"; do
    [[ -n $folder ]] && winepath+="Z:${folder//\//\\};"
done

export WINEPATH="$winepath${WINEPATH-}"
# Wine hands no QT_* variable to a Windows program (they belong to the Linux Qt), but it hands
# WINEQT_* on as QT_*: so QT_QPA_PLATFORM=offscreen reaches the program as it does on Linux.
for name in $(compgen -e); do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done
export WINEDEBUG=${WINEDEBUG--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree=;mshtml=}
export WINEPREFIX=${WINEPREFIX-${TONQUELLE_WINDOWS_CACHE:-$HOME/.cache/tonquelle-windows}/wine-prefix}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Test programs start in parallel: one of them makes the prefix, the others wait.
    flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot --init' >&2
fi
exec wine "$@"

#!/usr/bin/env bash
# Lists the DLLs Windows programs load at start, following each DLL's own imports:
#
#   list-dlls.sh [--windows] --dlls=<folder>:<folder>… program.exe|plugin.dll…
#
# Prints the full path of every needed DLL found in the given folders or the mingw runtime's,
# one a line: what has to lie beside the programs. With --windows it prints instead the names
# of the DLLs found in none of them, which the program expects from Windows itself. Plugins
# (Qt's platforms/qwindows.dll and the like) are loaded later, by name: list them as arguments.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/mingw-runtime.sh"
report=found
[[ ${1-} == --windows ]] && { report=windows; shift; }
folders=()
if [[ ${1-} == --dlls=* ]]; then
    IFS=: read -r -a folders <<<"${1#--dlls=}"
    shift
fi
(($# > 0)) || { echo "usage: $0 [--windows] --dlls=<folder>:<folder>… program.exe…" >&2; exit 2; }
mapfile -t -O ${#folders[@]} folders < <(mingw_runtime_folders)

imports() {  # <PE file>: the DLL names it imports
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'
}
locate() {  # <DLL name>: its path in the folders (Windows ignores the case of the name)
    local folder
    for folder in "${folders[@]}"; do
        [[ -n $folder && -d $folder ]] || continue
        find "$folder" -maxdepth 1 -iname "$1" -print -quit | grep . && return
    done
    return 1
}

declare -A seen=()
found=()
windows=()
pending=("$@")
while ((${#pending[@]} > 0)); do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    for name in $(imports "$file"); do
        key=${name,,}
        [[ -n ${seen[$key]-} ]] && continue
        seen[$key]=1
        if path=$(locate "$name"); then
            found+=("$path")
            pending+=("$path")
        else
            windows+=("$name")
        fi
    done
done
if [[ $report == found ]]; then
    ((${#found[@]} == 0)) || printf '%s\n' "${found[@]}" | sort
else
    ((${#windows[@]} == 0)) || printf '%s\n' "${windows[@]}" | sort -f
fi

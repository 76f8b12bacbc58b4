#!/usr/bin/env bash
# The source folders depend on each other one way. Every `#include "<folder>/..."` in a file of
# another source folder is an edge between the two folders; this fails when the edges form a
# cycle (naming the folders on it) or when records/ includes anything but records.
# Usage: check-folder-layers.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The source folders: every top-level folder with a CMakeLists.txt but the tests and benchmarks.
folders=()
for list in */CMakeLists.txt; do
    folder=${list%%/*}
    [[ $folder == tests || $folder == bench ]] || folders+=("$folder")
done
is_folder() { [[ " ${folders[*]} " == *" $1 "* ]]; }

edges=()
for from in "${folders[@]}"; do
    while read -r to; do
        if [[ $to != "$from" ]] && is_folder "$to"; then edges+=("$from $to"); fi
    done < <(grep -rhoE '^#include "[A-Za-z_]+/' --include='*.h' --include='*.cpp' \
        --include='*.inc' "$from" | sed -E 's/^#include "([A-Za-z_]+)\/$/\1/' | sort -u)
done

failed=0
for edge in "${edges[@]}"; do
    if [[ $edge == "records "* ]]; then
        echo "records/ includes ${edge#records } (the records are a leaf)"
        failed=1
    fi
done
# tsort prints the folders of every cycle it finds on standard error and fails.
if ! order=$(printf '%s\n' "${edges[@]}" | tsort 2>&1 >/dev/null); then
    echo "The folders include each other in a cycle:"
    echo "$order"
    printf '  %s\n' "${edges[@]}"
    failed=1
fi
if [[ $failed == 0 ]]; then
    echo "No folder cycle; from the top layer down: $(printf '%s\n' "${edges[@]}" | tsort | tr '\n' ' ')"
fi
exit $failed

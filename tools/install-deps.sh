#!/usr/bin/env bash
# Installs the Debian packages of the given lists that are not installed yet; a list holds one
# package a line, "#" starts a comment. Used by run.sh (the run list), test.sh (both lists) and
# tools/windows/build-deps.sh; does nothing (and needs no network) when all are present.
#
#   tools/install-deps.sh tools/debian-packages-run.txt [tools/debian-packages-test.txt]
set -euo pipefail
(($# > 0)) || { echo "usage: $0 <package list>..." >&2; exit 2; }
mapfile -t wanted < <(sed -e 's/#.*//' "$@" | awk 'NF { print $1 }')
missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
((${#missing[@]} == 0)) && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages of the given package lists (default: tools/debian-packages.txt)
# that are not installed yet. Used by run.sh, test.sh and tools/windows/build-deps.sh; does
# nothing (and needs no network) when all are present.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(($# == 0)) && set -- "$here/debian-packages.txt"
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

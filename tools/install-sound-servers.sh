#!/usr/bin/env bash
# Installs the sound servers the real-audio tests run privately (tools/sound-server-packages.txt)
# where that is safe, and prints which kinds will be tested.
#
# Debian 12 lets both kinds be installed together, but on a desktop they fight over the user's
# session (both pulseaudio and pipewire-pulse enable a user socket at the same path). So:
#   - a machine with a desktop (an X or Wayland display server installed) keeps what it has:
#     the kinds already installed are tested, nothing else is installed (with neither installed,
#     the PipeWire kind, Debian 12's default, is added);
#   - a machine without one (CI, containers, build servers) gets both kinds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages_of() { awk -v kind="$1" '$1 == kind { $1 = ""; print }' "$here/sound-server-packages.txt"; }

kind_installed() {  # every package of the kind is there
    local package
    for package in $(packages_of "$1"); do installed "$package" || return 1; done
}

has_desktop() { installed xserver-xorg-core || installed xwayland; }

wanted=()
if has_desktop; then
    installed pulseaudio && wanted+=(pulseaudio)
    installed pipewire-pulse && wanted+=(pipewire)
    ((${#wanted[@]} > 0)) || wanted=(pipewire)
    echo "Desktop machine: real-audio tests against the installed sound server (${wanted[*]})"
else
    wanted=(pulseaudio pipewire)
fi

missing=()
for kind in "${wanted[@]}"; do
    kind_installed "$kind" && continue
    for package in $(packages_of "$kind"); do installed "$package" || missing+=("$package"); done
done
if ((${#missing[@]} > 0)); then
    echo "Installing the test sound servers: ${missing[*]}"
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the build into a temporary prefix owned by an ordinary user, as a user does with
# `cmake --install build --prefix ~/.local`, and checks what a desktop finds there. Then runs the
# installed program as that user (as "nobody" when the test runs as root) until SIGTERM ends it
# in order: its settings file must be in the user's configuration folder and nothing new in the
# prefix's bin folder, although that folder is the user's own. The installed tonquelle-render
# reads the same settings file.
#
#   tests/install/check-install.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tonquelle-install.XXXXXX")
manifest=$build/install_manifest.txt
kept_manifest=$work/kept_manifest.txt
[[ -f $manifest ]] && cp "$manifest" "$kept_manifest"
cleanup() {
    # The build folder's record of a real installation (for uninstalling) stays as it was.
    if [[ -f $kept_manifest ]]; then cp "$kept_manifest" "$manifest"; else rm -f "$manifest"; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/tonquelle bin/tonquelle-render share/applications/tonquelle.desktop \
    share/metainfo/org.example.tonquelle.metainfo.xml \
    share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tonquelle.png \
    share/icons/hicolor/scalable/apps/tonquelle.svg share/man/man1/tonquelle.1 \
    share/man/man1/tonquelle-render.1 share/doc/tonquelle/LICENSE; do
    [[ -f $prefix/$file ]] || fail "cmake --install did not install $file"
done

home=$work/home
config=$home/.config/tonquelle
mkdir -p "$config" "$work/runtime"
chmod 0700 "$work/runtime"
printf '[OutputDevice]\nSampleRate=8000\n' >"$config/tonquelle.ini"
as_user=()
if [[ $(id -u) -eq 0 ]]; then
    chmod 0755 "$work"
    chown -R nobody:nogroup "$prefix" "$home" "$work/runtime"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# The user's environment: no display, the temporary home and runtime folders, and a sound server
# that does not answer (so that no server is started for the user).
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime"
    PULSE_SERVER="unix:$work/runtime/no-server")
bin_before=$(ls -A "$prefix/bin")

"${as_user[@]}" "${user_env[@]}" QT_QPA_PLATFORM=offscreen "$prefix/bin/tonquelle" &
program=$!  # setpriv and env hand over their process: this is the program's
# Ready to end in order once it catches SIGTERM (bit 15 of the caught-signals mask).
for _ in $(seq 200); do
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$program/status" 2>/dev/null || echo 0)
    (((0x${caught:-0} & 0x4000) != 0)) && break
    sleep 0.05
done
kill -TERM "$program"
status=0
wait "$program" || status=$?
((status == 0)) || fail "tonquelle ended with status $status after SIGTERM"
grep -q '^SampleRate = 8000' "$config/tonquelle.ini" ||
    fail "tonquelle.ini in $config was not written back"
[[ $(ls -A "$prefix/bin") == "$bin_before" ]] ||
    fail "the program wrote into the prefix's bin: $(ls -A "$prefix/bin" | tr '\n' ' ')"

"${as_user[@]}" "${user_env[@]}" "$prefix/bin/tonquelle-render" --slot 0 --seconds 0 \
    "$home/out.wav" ||
    fail "the installed tonquelle-render failed"
rate=$(od -An -t u4 -j 24 -N 4 "$home/out.wav" | tr -d ' ')
[[ $rate == 8000 ]] || fail "tonquelle-render read a sample rate of $rate, not the user's 8000"
echo "installed into $prefix: files in place, settings in $config"

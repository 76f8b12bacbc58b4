#!/usr/bin/env bash
# Times tonquelle-render against SoX's synth on the heaviest case the device dialog allows:
# 60 s of 8 channels at 192000 Hz and 32 bits, a sine with sine FM (440..880 Hz, 5 Hz) and sine
# AM (3 Hz), written to /dev/null. Both run RUNS times, alternately, in this one invocation;
# the script prints each time, the medians and their ratio (wall clock and CPU time).
#
#   bench/compare.sh [BUILD_FOLDER]      (default: build; RUNS=3 to change the count of 5)
#
# SoX is needed for the comparison only; it is installed with apt-get when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-5}
seconds=60

if ! command -v sox >/dev/null; then
    echo "Installing sox for the comparison..." >&2
    apt-get -o DPkg::Lock::Timeout=900 install -y sox >/dev/null 2>&1 ||
        { apt-get -o DPkg::Lock::Timeout=900 update >/dev/null &&
            apt-get -o DPkg::Lock::Timeout=900 install -y sox >/dev/null; }
fi
if [ ! -d "$build" ]; then
    cmake -S . -B "$build" -G Ninja -DTONQUELLE_CORE_ONLY=ON >/dev/null
fi
cmake --build "$build" --target tonquelle-render >/dev/null
tool="$build/tools/tonquelle-render"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
settings="$work/tonquelle.ini"
{
    printf '[OutputDevice]\nSampleRate=192000\nResolution=32\nBufferLength=250\nChannelMask=255\n'
    for c in 0 1 2 3 4 5 6 7; do
        # Flags 6: frequency and amplitude modulation on; sine everywhere.
        printf '[Memory0Channel%d]\nFlags=6\nWaveform=0\nFMWaveform=0\nFMFrequency=5\n' "$c"
        printf 'FMMinFreq=440\nFMMaxFreq=880\nAMWaveform=0\nAMFrequency=3\nAMMinAmp=0\nAMMaxAmp=1\n'
    done
} >"$settings"

tonquelle() { "$tool" --settings "$settings" --slot 0 --seconds "$seconds" - >/dev/null; }
soxsynth() {
    sox -r 192000 -c 8 -n -t raw -e signed -b 32 /dev/null \
        synth "$seconds" sine 5 synth "$seconds" sine fmod 440:880 synth "$seconds" sine amod 3
}

# Prints "wall cpu" in seconds for one run of the function named $1.
measure() {
    local TIMEFORMAT='%R %U %S'
    local line
    line=$({ time "$1" 2>/dev/null; } 2>&1)
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$line"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/tonquelle.times"
: >"$work/sox.times"
for run in $(seq "$runs"); do
    t=$(measure tonquelle)
    s=$(measure soxsynth)
    echo "run $run: tonquelle-render ${t% *} s wall, ${t#* } s CPU; sox ${s% *} s wall, ${s#* } s CPU"
    echo "$t" >>"$work/tonquelle.times"
    echo "$s" >>"$work/sox.times"
done

tw=$(cut -d' ' -f1 "$work/tonquelle.times" | median)
tc=$(cut -d' ' -f2 "$work/tonquelle.times" | median)
sw=$(cut -d' ' -f1 "$work/sox.times" | median)
sc=$(cut -d' ' -f2 "$work/sox.times" | median)
awk -v tw="$tw" -v tc="$tc" -v sw="$sw" -v sc="$sc" -v len="$seconds" 'BEGIN {
    printf "median of %s s of sound: tonquelle-render %.2f s wall (%.0fx real time), %.2f s CPU\n", len, tw, len / tw, tc
    printf "                         sox             %.2f s wall (%.1fx real time), %.2f s CPU\n", sw, len / sw, sc
    printf "tonquelle-render is %.1fx faster than sox (wall clock), %.1fx (CPU time)\n", sw / tw, sc / tc
}'

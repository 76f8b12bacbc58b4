#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, the engine and hand-over tests under
# ThreadSanitizer, the fuzz targets for a short while, the whole suite, then the Windows build
# under Wine.
set -uo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh tools/debian-packages-run.txt tools/debian-packages-test.txt || exit 1
# The private sound servers of the real-audio tests: PulseAudio and PipeWire, or on a desktop
# only the kind it has (see the script).
tools/install-sound-servers.sh || exit 1

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
    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
        UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure --no-tests=error -j 2 -L core || failed=1
else
    failed=1
fi

echo "== Engine and hand-over tests under ThreadSanitizer"
# Only the engine's and the hand-over parts' test programs are built: the other core tests have
# no threads to check.
if cmake -S . -B build-tsan -G Ninja -DTONQUELLE_CORE_ONLY=ON -DTONQUELLE_TSAN=ON \
    -DTONQUELLE_BENCH=OFF >build-tsan.configure.log 2>&1 &&
    cmake --build build-tsan --target tonquelle_engine_tests tonquelle_handover_tests; then
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        ctest --test-dir build-tsan --output-on-failure --no-tests=error -j 2 -L engine || failed=1
else
    failed=1
fi

echo "== Fuzz targets, 20 seconds each from their seed corpus"
# Every folder tests/fuzz/seeds/<name> seeds the target tonquelle_fuzz_<name>.
if command -v clang++ >/dev/null 2>&1; then
    fuzzers=()
    for seeds in tests/fuzz/seeds/*/; do fuzzers+=("tonquelle_fuzz_$(basename "$seeds")"); done
    mkdir -p build-fuzz
    if cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTONQUELLE_FUZZ=ON \
        -DTONQUELLE_CORE_ONLY=ON -DTONQUELLE_BENCH=OFF >build-fuzz/configure.log 2>&1 &&
        cmake --build build-fuzz --target "${fuzzers[@]}"; then
        for fuzzer in "${fuzzers[@]}"; do
            corpus=$(mktemp -d)  # the run adds inputs to its corpus: not to the repository
            cp tests/fuzz/seeds/"${fuzzer#tonquelle_fuzz_}"/* "$corpus"/
            if ASAN_OPTIONS=quarantine_size_mb=16 build-fuzz/tests/fuzz/"$fuzzer" \
                -max_total_time=20 -timeout=10 -rss_limit_mb=256 -malloc_limit_mb=64 \
                -artifact_prefix=build-fuzz/ "$corpus" >"build-fuzz/$fuzzer.log" 2>&1; then
                echo "$fuzzer: $(grep -m1 DONE "build-fuzz/$fuzzer.log")"
            else
                tail -n 60 "build-fuzz/$fuzzer.log"
                failed=1
            fi
            rm -rf "$corpus"
        done
    else
        cat build-fuzz/configure.log
        failed=1
    fi
else
    echo "clang++ not found: fuzz targets skipped"
fi

echo "== All tests"
# (The Windows device layer's real-audio tests, label "windows", run in the Windows stage.)
if configure_and_build build; then
    ctest --test-dir build --output-on-failure --no-tests=error -LE windows || failed=1
else
    failed=1
fi

echo "== Windows: build and zip with mingw-w64, tests under Wine"
# The Windows libraries come from a cache outside the repository (tools/windows/build-deps.sh:
# about 35 minutes when it is empty, a second when not). Every Wine run has a time limit: a test
# that hangs under Wine fails, it never stops the script.
windows_started=$SECONDS
windows_failed=0
if tools/windows/build.sh build-windows; then
    ctest --test-dir build-windows --output-on-failure --no-tests=error -j 2 --timeout 300 ||
        windows_failed=1
    if [[ -x build/tests/realaudio/tonquelle_windows_realaudio_tests ]]; then
        TONQUELLE_WINDOWS_PLAY_TONES=$PWD/build-windows/tests/windows/play-tones \
            ctest --test-dir build --output-on-failure --no-tests=error --timeout 300 -L windows ||
            windows_failed=1
    else
        echo "no Linux build of the Windows real-audio tests (build/)"
        windows_failed=1
    fi
    tools/windows/check-zip.sh build-windows/Tonquelle-*-windows-x64.zip || windows_failed=1
else
    windows_failed=1
fi
echo "Windows stage: $((SECONDS - windows_started)) s, $( ((windows_failed)) && echo FAILED || echo passed)"
((windows_failed)) && failed=1
exit $failed

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build, the address/undefined-behaviour
# sanitizer build, the thread-sanitizer build of the threaded tests, the Clang build, and each fuzz target
# for a bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

run_preset() {
    local preset="$1"
    echo "== $preset: build"
    scripts/build.sh "$preset"
    echo "== $preset: test"
    ctest --preset "$preset"
}

fuzz_targets=(curve_set_text editor_state_text sequence_data interpolate project)

run_preset release
run_preset asan
echo "== tsan: build the threaded tests"
scripts/build.sh tsan kv_tsan_tests
echo "== tsan: test"
ctest --preset tsan
echo "== clang: build (warnings are errors)"
scripts/build.sh clang
echo "== clang: test"
ctest --preset clang
echo "== fuzz: build the libFuzzer targets"
scripts/build.sh fuzz "${fuzz_targets[@]/#/fuzz_}"
echo "== fuzz: each target for ${FUZZ_SECONDS:-60} s"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}" build/fuzz "${fuzz_targets[@]}"
echo "all tests passed"

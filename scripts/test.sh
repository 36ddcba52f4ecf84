#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build as it ships (GCC), the
# address/undefined-behaviour sanitizer build (Clang, so both compilers build the whole tree with warnings
# as errors), the thread-sanitizer build of the threaded tests, and each fuzz target for a bounded time
# (FUZZ_SECONDS, default 60). Each stage prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
stage_name=""
stage_start=$SECONDS
stage() {
    if [[ -n "$stage_name" ]]; then
        echo "== $stage_name: $((SECONDS - stage_start)) s"
    fi
    stage_name="$*"
    stage_start=$SECONDS
    [[ -z "$stage_name" ]] || echo "== $stage_name"
}

stage "install what is missing"
scripts/install-deps.sh

run_preset() {
    local preset="$1"
    stage "$preset: build"
    scripts/build.sh "$preset"
    stage "$preset: test"
    ctest --preset "$preset"
}

fuzz_targets=(curve_set_text editor_state_text sequence_data interpolate project)

run_preset release
run_preset asan
stage "tsan: build the threaded tests"
scripts/build.sh tsan kv_tsan_tests
stage "tsan: test"
ctest --preset tsan
stage "fuzz: build the libFuzzer targets"
scripts/build.sh fuzz "${fuzz_targets[@]/#/fuzz_}"
stage "fuzz: each target for ${FUZZ_SECONDS:-60} s"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}" build/fuzz "${fuzz_targets[@]}"
stage ""
echo "all tests passed in $((SECONDS / 60)) min"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build, the Clang build, the
# address/undefined-behaviour sanitizer build, and the thread-sanitizer build of the threaded tests.
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

run_preset release
run_preset asan
run_preset tsan
echo "== clang: build (warnings are errors)"
scripts/build.sh clang
echo "all tests passed"

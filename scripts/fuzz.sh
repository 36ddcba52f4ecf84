#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a bounded time, one per processor at a time, on its committed
# seed corpus; new inputs go to a working corpus, never into fuzz/corpus. A crash, a broken invariant, a leak,
# undefined behaviour or a hang is a finding: its input is kept under <build>/fuzz-findings/<target>/ and
# the script fails.
#   scripts/fuzz.sh [SECONDS_EACH] [BUILD_DIR] [TARGET...]     (defaults: 60, build/fuzz, all targets)
#   FUZZ_WORK=DIR keeps the working corpora in DIR between runs (default: a temporary folder).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build/fuzz}"
shift $(($# < 2 ? $# : 2))
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(curve_set_text editor_state_text sequence_data interpolate project)
fi

work="${FUZZ_WORK:-}"
if [[ -z "$work" ]]; then
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi
# Undefined behaviour ends the run like a crash, so that libFuzzer keeps the input.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# libFuzzer checks every input for leaks itself; the leak checker's own pass at exit adds nothing to that
# and, in Clang 14, now and then crashes in its scan of threads' storage.
export ASAN_OPTIONS="leak_check_at_exit=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

fuzz_one() {
    local target="$1" program="$build/fuzz/fuzz_$1" log="$build/fuzz-findings/$1.log" start runs
    mkdir -p "$work/$target" "$build/fuzz-findings/$target"
    start=$(date +%s)
    if ! "$program" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$target/" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        echo "fuzz: $target found a fault; input and report under $build/fuzz-findings/ ($log):" >&2
        grep -E "ERROR|Tracer|invariant broken|runtime error|SUMMARY|Test unit written" "$log" | head -20 >&2
        return 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $target: ${runs:-?} runs in $(($(date +%s) - start)) s, no finding"
}

for target in "${targets[@]}"; do
    if [[ ! -x "$build/fuzz/fuzz_$target" ]]; then
        echo "fuzz: $build/fuzz/fuzz_$target is not built (scripts/build.sh fuzz fuzz_$target)" >&2
        exit 2
    fi
done
# One target per processor at a time (FUZZ_PARALLEL overrides); every target runs its full time.
parallel="${FUZZ_PARALLEL:-$(nproc)}"
failed=0
running=0
for target in "${targets[@]}"; do
    if ((running >= parallel)); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"

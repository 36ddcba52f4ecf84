#!/usr/bin/env bash
# Installs the benchmark dependencies (OpenCV), builds every benchmark program of the bench preset and runs
# them, five repetitions each (kv_shot_bench's cases once: each takes tens of seconds), medians reported; results go to build/bench/results and bench/summarize.py
# prints every speed goal's ratio. Extra arguments go to every program (e.g. --benchmark_filter=tentBlur).
#   scripts/bench.sh [benchmark flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --bench

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
programs=(kv_lut_peer_bench kv_float_evaluate_bench kv_absolute_render_bench kv_relative_render_bench
          kv_blur_bench kv_editor_redraw_bench kv_serve_bench kv_shot_bench)
cmake --preset bench "${launcher[@]}" >/dev/null
cmake --build build/bench --target "${programs[@]}" -- -j2

# Timings mean little on a busy machine: say how busy it was, before and after.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
rm -rf build/bench/results
mkdir -p build/bench/results
for program in "${programs[@]}"; do
    out="build/bench/results/${program}.json"
    "build/bench/bench/${program}" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_out="$out" --benchmark_out_format=json "$@"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
python3 bench/summarize.py build/bench/results

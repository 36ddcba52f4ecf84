#!/usr/bin/env bash
# Installs the benchmark dependencies (OpenCV), builds the bench preset's programs and runs them; results go
# to build/bench/results. Extra arguments go to every program (e.g. --benchmark_filter=tentBlur).
#   scripts/bench.sh [benchmark flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --bench

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
programs=(kv_blur_bench)
cmake --preset bench "${launcher[@]}" >/dev/null
cmake --build build/bench --target "${programs[@]}" -- -j2

# Timings mean little on a busy machine: say how busy it was.
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
mkdir -p build/bench/results
for program in "${programs[@]}"; do
    out="build/bench/results/${program}.json"
    "build/bench/bench/${program}" --benchmark_out="$out" --benchmark_out_format=json "$@"
done
python3 bench/summarize.py build/bench/results/kv_blur_bench.json

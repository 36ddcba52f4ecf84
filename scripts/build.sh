#!/usr/bin/env bash
# Configures and builds one preset (default: release).   scripts/build.sh [preset] [ninja targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
shift || true
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset "$preset" "${launcher[@]}" >/dev/null
cmake --build "build/$preset" -- "$@"

#!/usr/bin/env bash
# Regenerates the shipped example images, curve sets and projects in examples/ (deterministic).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release kv_make_examples >/dev/null
build/release/examples/kv_make_examples examples

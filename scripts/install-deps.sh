#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing (fast when all are there).
#   scripts/install-deps.sh            build and test dependencies
#   scripts/install-deps.sh --bench    also the benchmark-only dependencies (OpenCV)
set -euo pipefail

packages=(
    cmake ninja-build g++ clang-14 libclang-rt-14-dev
    libboost-dev libopenimageio-dev openimageio-tools libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libhwy-dev libsleef-dev
    python3
    frei0r-plugins-dev ffmpeg melt opencolorio-tools dpkg-dev groff-base
)
if [[ "${1:-}" == "--bench" ]]; then
    packages+=(libopencv-dev)
elif [[ -n "${1:-}" ]]; then
    echo "usage: $0 [--bench]" >&2
    exit 2
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

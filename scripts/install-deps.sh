#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing (fast when all are there), and
# the browser tests' npm packages (tests/browser, npm ci) when they are missing or their lock file changed.
#   scripts/install-deps.sh            build and test dependencies
#   scripts/install-deps.sh --bench    also the benchmark-only dependencies (OpenCV)
set -euo pipefail

packages=(
    cmake ninja-build g++ clang-14 libclang-rt-14-dev
    libboost-dev libopenimageio-dev openimageio-tools libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libhwy-dev libsleef-dev
    libcpp-httplib-dev libpng-dev pkg-config
    python3 chromium
    frei0r-plugins-dev ffmpeg melt opencolorio-tools dpkg-dev groff-base
    slurmctld slurmd slurm-client munge
)
# Node and npm for the browser tests: Debian's, unless a node of 20 or later is there already (a node from
# another source carries its own npm, which Debian's npm package would conflict with).
if ! command -v node >/dev/null || ! command -v npm >/dev/null ||
    [[ "$(node -p 'process.versions.node.split(".")[0]')" -lt 20 ]]; then
    packages+=(nodejs npm)
fi
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

if [[ ${#missing[@]} -gt 0 ]]; then
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
fi

# playwright-core at the version the lock file pins; it drives /usr/bin/chromium and downloads no browser.
browser_tests="$(cd "$(dirname "$0")/../tests/browser" && pwd)"
installed_lock="$browser_tests/node_modules/.package-lock.json"
if [[ ! -f "$installed_lock" || "$browser_tests/package-lock.json" -nt "$installed_lock" ]]; then
    echo "installing the browser tests' npm packages (npm ci in tests/browser)"
    (cd "$browser_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi

#!/usr/bin/env bash
# Renders the shipped examples through both effects with this build's kvhost, at 8 bits, 16 bits and
# float, and writes a digest of each output's pixels (SHA-1 of the pixels as read back, `oiiotool
# --hash`; not of the file bytes, which carry a time stamp in some formats) with the render's arguments:
#   scripts/example-render-digests.sh [OUTPUT]   (default tests/cli/data/example-render-digests.txt)
# The example render test (tests/cli/ExampleRendersTest.cpp) renders every listed line again and
# compares. Regenerate only on purpose: when a render is meant to change.
set -euo pipefail
cd "$(dirname "$0")/.."
output="${1:-tests/cli/data/example-render-digests.txt}"
scripts/build.sh release kvhost morrowby tarnwick >/dev/null
kvhost=build/release/host/cli/kvhost
examples=examples
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One render a line, fields separated by tabs: name, plug-in (morrowby or tarnwick), input, depth, then
# further kvhost arguments; "@" in an argument stands for the examples folder.
renders=()
add() {
    local IFS=$'\t'
    renders+=("$*")
}
for curves in s-curve saturation-boost hue-shift; do
    add "absolute-$curves-chart" morrowby colour-chart-8bit.png 8 --curves "@absolute-$curves.txt"
    add "absolute-$curves-gradients" morrowby gradients-16bit.png 16 --curves "@absolute-$curves.txt"
    add "absolute-$curves-gradients" morrowby gradients-float.exr 32 --curves "@absolute-$curves.txt"
done
for curves in saturation-by-hue postblur-by-brightness; do
    add "relative-$curves-chart" tarnwick colour-chart-8bit.png 8 --curves "@relative-$curves.txt"
    add "relative-$curves-gradients" tarnwick gradients-16bit.png 16 --curves "@relative-$curves.txt"
    add "relative-$curves-gradients" tarnwick gradients-float.exr 32 --curves "@relative-$curves.txt"
done
for depth in 8 16 32; do
    add absolute-s-curve-inverted-chart morrowby colour-chart-8bit.png "$depth" \
        --curves @absolute-s-curve.txt --set "invert all=1"
    add absolute-animated-project-chart morrowby colour-chart-8bit.png "$depth" \
        --project @absolute-animated.kvproj.json --time 1.25
    add absolute-shot-project-chart morrowby colour-chart-8bit.png "$depth" \
        --project @absolute-shot-48-frames.kvproj.json --time 1.5
    add relative-saturation-by-hue-project-chart tarnwick colour-chart-8bit.png "$depth" \
        --project @relative-saturation-by-hue.kvproj.json
    add relative-postblur-by-base-layer-chart tarnwick colour-chart-8bit.png "$depth" \
        --curves @relative-postblur-by-brightness.txt --layer "base layer=@base-layer-8bit.png"
done

{
    echo "# Pixel digests of the shipped examples rendered by kvhost: name, SHA-1 of the output's pixels, plug-in,"
    echo "# input, depth, further arguments (tab-separated; @ is the examples folder). Made by"
    echo "# scripts/example-render-digests.sh from commit $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . || echo ' with local changes')."
    echo "# Float digests hold for the optimised GCC build (the release preset), which must be the kvhost used."
} >"$work/digests"
for line in "${renders[@]}"; do
    IFS=$'\t' read -r -a fields <<<"$line"
    name="${fields[0]}"
    plugin="${fields[1]}"
    input="${fields[2]}"
    depth="${fields[3]}"
    args=()
    for a in "${fields[@]:4}"; do
        args+=("${a//@/$examples/}")
    done
    case "$plugin" in
        morrowby) file=build/release/absolute/morrowby.so ;;
        tarnwick) file=build/release/relative/tarnwick.so ;;
    esac
    out="$work/$name-$depth.tif"
    "$kvhost" render "$file" "$examples/$input" "$out" --depth "$depth" --quiet "${args[@]}"
    digest="$(oiiotool --hash "$out" | sed -n 's/^ *SHA-1: *//p')"
    if [[ -z "$digest" ]]; then
        echo "$0: no digest for $name at $depth" >&2
        exit 1
    fi
    echo "$name at $depth: $digest" >&2
    fields[1]="$digest	$plugin"
    (
        IFS=$'\t'
        echo "${fields[*]}"
    ) >>"$work/digests"
done
mkdir -p "$(dirname "$output")"
mv "$work/digests" "$output"
echo "wrote $output (${#renders[@]} renders)"

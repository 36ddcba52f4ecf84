#!/usr/bin/env bash
# The main job: installs what is missing, builds, and grades the shipped examples through both effects
# with the headless host. Results go to out/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-out}"
scripts/install-deps.sh
scripts/build.sh release kvhost morrowby tarnwick

kvhost=build/release/host/cli/kvhost
absolute=build/release/absolute/morrowby.so
relative=build/release/relative/tarnwick.so
mkdir -p "$out"

"$kvhost" info "$absolute"
echo
"$kvhost" info "$relative"
echo

run() {
    echo "kvhost $*"
    if [[ "$1" == render ]]; then
        "$kvhost" "$@" --quiet
    else
        "$kvhost" "$@"
    fi
}

# Absolute: the three curve sets on the chart (8-bit), the gradients (16-bit) and the HDR gradients (float).
for curves in s-curve saturation-boost hue-shift; do
    run render "$absolute" examples/colour-chart-8bit.png "$out/absolute-$curves-chart-8bit.png" \
        --curves "examples/absolute-$curves.txt"
    run render "$absolute" examples/gradients-16bit.png "$out/absolute-$curves-gradients-16bit.png" \
        --curves "examples/absolute-$curves.txt"
    run render "$absolute" examples/gradients-float.exr "$out/absolute-$curves-gradients-float.exr" \
        --curves "examples/absolute-$curves.txt"
done
# "invert all" applies the inverse curve: the S-curve inverted flattens the contrast again.
run render "$absolute" examples/colour-chart-8bit.png "$out/absolute-s-curve-inverted-chart-8bit.png" \
    --curves examples/absolute-s-curve.txt --set "invert all=1"

# Relative: saturation changed by hue, and a post blur driven by brightness, at the three depths;
# then the brightness of a base layer of another size driving the same post blur.
for curves in saturation-by-hue postblur-by-brightness; do
    run render "$relative" examples/colour-chart-8bit.png "$out/relative-$curves-chart-8bit.png" \
        --curves "examples/relative-$curves.txt"
    run render "$relative" examples/gradients-16bit.png "$out/relative-$curves-gradients-16bit.png" \
        --curves "examples/relative-$curves.txt"
    run render "$relative" examples/gradients-float.exr "$out/relative-$curves-gradients-float.exr" \
        --curves "examples/relative-$curves.txt"
done
run render "$relative" examples/colour-chart-8bit.png "$out/relative-postblur-by-base-layer-chart-8bit.png" \
    --curves examples/relative-postblur-by-brightness.txt --layer "base layer=examples/base-layer-8bit.png"

# The editor panels as the host shows them, with the histogram the last render left, and a project that
# reopens the S-curve grade.
run render "$absolute" examples/colour-chart-8bit.png "$out/absolute-s-curve-project-chart-8bit.png" \
    --curves examples/absolute-s-curve.txt --save-project "$out/absolute-s-curve.kvproj.json"
run panel "$absolute" "$out/absolute-panel.png" --project "$out/absolute-s-curve.kvproj.json" \
    --width 600 --height 340 --events examples/show-histogram.events --render examples/gradients-16bit.png
run panel "$relative" "$out/relative-panel.png" --width 600 --height 340 \
    --events examples/show-histogram.events --render examples/colour-chart-8bit.png

echo "results in $out/"

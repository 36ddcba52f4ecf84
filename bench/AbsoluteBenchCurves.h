#pragma once
// The Absolute curve sets the benchmarks render with, and the render loop itself.
#include "absolute/AbsoluteChannels.h"
#include "absolute/RgbaCurvesFilter.h"
#include "bench/BenchFrame.h"
#include "curves/CurveSet.h"
#include "framework/KorvaneHost.h"
#include "pixels/PixelRGB.h"

#include <cstdint>
#include <vector>

namespace korvane::bench {

// RgbOnly: the rgb curve. Channels: rgb, red, green, blue and alpha (the per-channel map path at integer
// depths). AllEight: every curve bent; AllEightInverted: the same under "invert all".
enum class AbsoluteCurves : std::int64_t { RgbOnly = 0, AllEight = 1, AllEightInverted = 2, Channels = 3 };

inline AbsoluteCurveSet absoluteCurvesFor(AbsoluteCurves which) {
    AbsoluteCurveSet set{};
    resetCurveSet(set);
    set.curves[kChannelRgb] = curveThrough({{0.0, 0.0}, {0.25, 0.18}, {0.75, 0.85}, {1.0, 1.0}}, 1.0);
    if (which == AbsoluteCurves::RgbOnly) {
        return set;
    }
    set.curves[kChannelRed] = curveThrough({{0.0, 0.03}, {1.0, 0.98}}, 1.0);
    set.curves[kChannelGreen] = curveThrough({{0.0, 0.0}, {0.5, 0.52}, {1.0, 1.0}}, 1.0);
    set.curves[kChannelBlue] = curveThrough({{0.0, 0.05}, {1.0, 0.95}}, 1.0);
    set.curves[kChannelAlpha] = curveThrough({{0.0, 0.0}, {1.0, 0.9}}, 1.0);
    if (which == AbsoluteCurves::Channels) {
        return set;
    }
    set.curves[kChannelBrightness] = curveThrough({{0.0, 0.02}, {0.5, 0.55}, {1.0, 0.97}}, 1.0);
    set.curves[kChannelSaturation] = curveThrough({{0.0, 0.0}, {0.4, 0.5}, {1.0, 0.9}}, 1.0);
    set.curves[kChannelHue] = curveThrough({{0.3, 0.35}, {0.7, 0.68}}, 1.0, true);
    return set;
}

// The Absolute render of the bench frame with `curves` on `threads` threads, once per iteration.
template <class Pixel>
void runAbsoluteRender(benchmark::State& state, const AbsoluteCurveSet& curves, bool invert,
                       std::int32_t threads) {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(threads);
    std::vector<Pixel> input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    absolute::RgbaCurvesFilter<Pixel> filter(host);
    filter.setCurves(curves);
    filter.setInvert(invert);
    filter.setImages(PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, input.data()),
                     PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, output.data()));
    timeFilter(state, filter, host, output);
}

} // namespace korvane::bench

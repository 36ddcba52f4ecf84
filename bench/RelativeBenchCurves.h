#pragma once
// The Relative scenarios the benchmarks render, and the render loop itself.
#include "bench/BenchFrame.h"
#include "curves/CurveSet.h"
#include "framework/KorvaneHost.h"
#include "pixels/PixelRGB.h"
#include "relative/RelativeProperties.h"
#include "relative/RgbaCurvesFilter.h"

#include <cstdint>
#include <vector>

namespace korvane::bench {

// OneProperty: red changed by a curve of brightness. AllProperties: every colour property changed.
// PreBlur: one property read from a source blurred with radius 10. PostBlur: all properties and the post
// blur (radius 10). ThreeProperties: the colourist's three: saturation by hue, brightness by brightness, hue
// by saturation.
enum class RelativeScenario : std::int64_t {
    OneProperty = 0,
    AllProperties = 1,
    PreBlur = 2,
    PostBlur = 3,
    ThreeProperties = 4,
};

inline RelativeCurveSet relativeCurvesFor(RelativeScenario scenario) {
    using namespace relative;
    RelativeCurveSet set{};
    resetCurveSet(set);
    if (scenario == RelativeScenario::ThreeProperties) {
        // Skin tones a little less saturated, shadows lifted, weak colours turned a little.
        set.curves[kSaturation] = curveThrough({{0.0, 0.0}, {0.08, -0.2}, {0.3, 0.1}, {1.0, 0.0}}, 0.0);
        set.basedOn[kSaturation] = kHue;
        set.curves[kBrightness] = curveThrough({{0.0, 0.2}, {0.5, 0.0}, {1.0, -0.05}}, 0.0);
        set.basedOn[kBrightness] = kBrightness;
        set.curves[kHue] = curveThrough({{0.0, 0.03}, {0.5, 0.0}, {1.0, 0.0}}, 0.0);
        set.basedOn[kHue] = kSaturation;
        return set;
    }
    // Red lifted in the shadows of the pixel's brightness.
    set.curves[kRed] = curveThrough({{0.0, 0.3}, {0.4, 0.05}, {1.0, 0.0}}, 0.0);
    set.basedOn[kRed] = kBrightness;
    if (scenario == RelativeScenario::OneProperty || scenario == RelativeScenario::PreBlur) {
        return set;
    }
    set.curves[kBrightness] = curveThrough({{0.0, 0.1}, {0.5, -0.05}, {1.0, 0.1}}, 0.0);
    set.basedOn[kBrightness] = kSaturation;
    set.curves[kSaturation] = curveThrough({{0.1, 0.2}, {0.6, -0.3}}, 0.0, true);
    set.basedOn[kSaturation] = kHue;
    set.changeBy[kSaturation] = 1;
    set.curves[kHue] = curveThrough({{0.0, 0.05}, {1.0, -0.05}}, 0.0);
    set.basedOn[kHue] = kBrightness;
    set.curves[kGreen] = curveThrough({{0.0, 0.0}, {0.5, 0.1}, {1.0, 0.0}}, 0.0);
    set.basedOn[kGreen] = kBlue;
    set.curves[kBlue] = curveThrough({{0.0, -0.1}, {1.0, 0.1}}, 0.0);
    set.basedOn[kBlue] = kGreen;
    set.changeBy[kBlue] = 1;
    set.curves[kAlpha] = curveThrough({{0.0, 0.0}, {1.0, -0.2}}, 0.0);
    set.basedOn[kAlpha] = kAlpha;
    if (scenario == RelativeScenario::PostBlur) {
        set.curves[kPostBlur] = curveThrough({{0.0, 1.0}, {0.6, 0.2}, {1.0, 0.0}}, 0.0);
        set.basedOn[kPostBlur] = kBrightness;
        set.changeFactor[kPostBlur] = 10.0;
    }
    return set;
}

// The Relative render of the bench frame in `scenario` on `threads` threads, once per iteration.
template <class Pixel>
void runRelativeRender(benchmark::State& state, RelativeScenario scenario, std::int32_t threads) {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(threads);
    std::vector<Pixel> input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    relative::RgbaCurvesFilter<Pixel> filter(host);
    filter.setCurves(relativeCurvesFor(scenario));
    relative::RenderSettings settings;
    settings.preBlurRadius = scenario == RelativeScenario::PreBlur ? 10.0 : 0.0;
    filter.setSettings(settings);
    filter.setImages(PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, input.data()),
                     PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, output.data()),
                     PixelArray<Pixel>{});
    timeFilter(state, filter, host, output);
}

} // namespace korvane::bench

// The Relative render on a UHD frame at 8-bit, 16-bit and float: one property changed, all seven colour
// properties changed, one property read from a source blurred with pre blur 10, and all properties with the
// post blur (radius 10), each on one thread and on all, beside a plain copy of the same frame. Throughput in
// Mpixel/s. The filter runs on a KorvaneHost, without a host.
#include "curves/CurveSet.h"
#include "framework/KorvaneHost.h"
#include "pixels/PixelRGB.h"
#include "platform/SystemInfo.h"
#include "relative/RelativeProperties.h"
#include "relative/RgbaCurvesFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace korvane {
namespace {

using namespace relative;

constexpr std::int32_t kWidth = 3840;
constexpr std::int32_t kHeight = 2160;
constexpr double kPixels = double(kWidth) * kHeight;

enum Scenario : std::int64_t { kOneProperty = 0, kAllProperties = 1, kPreBlur = 2, kPostBlur = 3 };

// Arguments: scenario, threads (0 = every processor).
std::int32_t threadsOf(const benchmark::State& state) {
    return state.range(1) > 0 ? std::int32_t(state.range(1)) : processorCount();
}

// Gradients with noise, every channel different, the same frame for every benchmark of a depth.
template <class Pixel>
const std::vector<Pixel>& frame() {
    static const std::vector<Pixel> image = [] {
        std::vector<Pixel> pixels(std::size_t(kWidth) * kHeight);
        std::mt19937 rng(2160);
        std::uniform_real_distribution<double> noise(-0.05, 0.05);
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                Pixel& p = pixels[std::size_t(y) * kWidth + std::size_t(x)];
                for (int c = 0; c < 4; ++c) {
                    const double v = std::clamp(double((x + c * 331) % kWidth) / kWidth * 0.7 +
                                                    double(y) / kHeight * 0.25 + noise(rng),
                                                0.0, 1.0);
                    p.channel[c] =
                        static_cast<typename Pixel::Value>(Pixel::kIsFloat ? v : v * Pixel::kMax + 0.5);
                }
            }
        }
        return pixels;
    }();
    return image;
}

// A Relative curve through the given nodes, handles by the automatic rule.
Curve curveThrough(std::initializer_list<std::pair<double, double>> points, bool loop = false) {
    Curve curve{};
    resetCurve(curve, 0.0);
    for (CurveNode& node : curve.nodes) {
        node.active = 0;
    }
    curve.loop = loop ? 1 : 0;
    std::size_t slot = 0;
    for (const auto& [x, y] : points) {
        curve.nodes[slot].x = x;
        curve.nodes[slot].y = y;
        curve.nodes[slot].active = 1;
        ++slot;
    }
    recomputeHandles(curve, 0.0);
    return curve;
}

RelativeCurveSet curvesFor(std::int64_t scenario) {
    RelativeCurveSet set{};
    resetCurveSet(set);
    // Red lifted in the shadows of the pixel's brightness.
    set.curves[kRed] = curveThrough({{0.0, 0.3}, {0.4, 0.05}, {1.0, 0.0}});
    set.basedOn[kRed] = kBrightness;
    if (scenario == kOneProperty || scenario == kPreBlur) {
        return set;
    }
    set.curves[kBrightness] = curveThrough({{0.0, 0.1}, {0.5, -0.05}, {1.0, 0.1}});
    set.basedOn[kBrightness] = kSaturation;
    set.curves[kSaturation] = curveThrough({{0.1, 0.2}, {0.6, -0.3}}, true);
    set.basedOn[kSaturation] = kHue;
    set.changeBy[kSaturation] = 1;
    set.curves[kHue] = curveThrough({{0.0, 0.05}, {1.0, -0.05}});
    set.basedOn[kHue] = kBrightness;
    set.curves[kGreen] = curveThrough({{0.0, 0.0}, {0.5, 0.1}, {1.0, 0.0}});
    set.basedOn[kGreen] = kBlue;
    set.curves[kBlue] = curveThrough({{0.0, -0.1}, {1.0, 0.1}});
    set.basedOn[kBlue] = kGreen;
    set.changeBy[kBlue] = 1;
    set.curves[kAlpha] = curveThrough({{0.0, 0.0}, {1.0, -0.2}});
    set.basedOn[kAlpha] = kAlpha;
    if (scenario == kPostBlur) {
        set.curves[kPostBlur] = curveThrough({{0.0, 1.0}, {0.6, 0.2}, {1.0, 0.0}});
        set.basedOn[kPostBlur] = kBrightness;
        set.changeFactor[kPostBlur] = 10.0;
    }
    return set;
}

void reportThroughput(benchmark::State& state) {
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(kPixels));
    state.counters["Mpixel/s"] =
        benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <class Pixel>
void relativeRender(benchmark::State& state) {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(threadsOf(state));
    std::vector<Pixel> input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    RgbaCurvesFilter<Pixel> filter(host);
    filter.setCurves(curvesFor(state.range(0)));
    RenderSettings settings;
    settings.preBlurRadius = state.range(0) == kPreBlur ? 10.0 : 0.0;
    filter.setSettings(settings);
    filter.setImages(PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, input.data()),
                     PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, output.data()),
                     PixelArray<Pixel>{});
    for (auto _ : state) {
        if (filter.apply(0, 1) != host.noError()) {
            state.SkipWithError("render failed");
            break;
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

// The floor of any render: reading the frame once and writing it once.
template <class Pixel>
void memoryCopy(benchmark::State& state) {
    const std::vector<Pixel>& input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    for (auto _ : state) {
        std::memcpy(output.data(), input.data(), input.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

void renderArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scenario", "threads"});
    for (const std::int64_t scenario : {kOneProperty, kAllProperties, kPreBlur, kPostBlur}) {
        for (const std::int64_t threads : {1, 0}) {
            b->Args({scenario, threads});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(memoryCopy<Pixel8>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(relativeRender<Pixel8>)->Apply(renderArguments);
BENCHMARK(memoryCopy<Pixel16>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(relativeRender<Pixel16>)->Apply(renderArguments);
BENCHMARK(memoryCopy<PixelFloat>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(relativeRender<PixelFloat>)->Apply(renderArguments);

} // namespace
} // namespace korvane

BENCHMARK_MAIN();

// The Absolute render on a UHD frame at 8-bit, 16-bit and float: only the rgb curve, all eight curves, and
// all eight under "invert all" (the reversed order with its rounding step), on one thread and on all, beside
// a plain copy of the same frame. Throughput in Mpixel/s. The filter runs on a KorvaneHost, without a host.
#include "absolute/AbsoluteChannels.h"
#include "absolute/RgbaCurvesFilter.h"
#include "curves/CurveSet.h"
#include "framework/KorvaneHost.h"
#include "pixels/PixelRGB.h"
#include "platform/SystemInfo.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace korvane {
namespace {

constexpr std::int32_t kWidth = 3840;
constexpr std::int32_t kHeight = 2160;
constexpr double kPixels = double(kWidth) * kHeight;

enum Curves : std::int64_t { kRgbOnly = 0, kAllEight = 1, kAllEightInverted = 2 };

// Arguments: curves, threads (0 = every processor).
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

// A curve through the given nodes, handles by the automatic rule.
Curve curveThrough(std::initializer_list<std::pair<double, double>> points, bool loop = false) {
    Curve curve{};
    resetCurve(curve, 1.0);
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
    recomputeHandles(curve, 1.0);
    return curve;
}

AbsoluteCurveSet curvesFor(std::int64_t which) {
    AbsoluteCurveSet set{};
    resetCurveSet(set);
    const auto sCurve = {std::pair{0.0, 0.0}, std::pair{0.25, 0.18}, std::pair{0.75, 0.85},
                         std::pair{1.0, 1.0}};
    set.curves[kChannelRgb] = curveThrough(sCurve);
    if (which == kRgbOnly) {
        return set;
    }
    set.curves[kChannelBrightness] = curveThrough({{0.0, 0.02}, {0.5, 0.55}, {1.0, 0.97}});
    set.curves[kChannelSaturation] = curveThrough({{0.0, 0.0}, {0.4, 0.5}, {1.0, 0.9}});
    set.curves[kChannelHue] = curveThrough({{0.3, 0.35}, {0.7, 0.68}}, true);
    set.curves[kChannelRed] = curveThrough({{0.0, 0.03}, {1.0, 0.98}});
    set.curves[kChannelGreen] = curveThrough({{0.0, 0.0}, {0.5, 0.52}, {1.0, 1.0}});
    set.curves[kChannelBlue] = curveThrough({{0.0, 0.05}, {1.0, 0.95}});
    set.curves[kChannelAlpha] = curveThrough({{0.0, 0.0}, {1.0, 0.9}});
    return set;
}

void reportThroughput(benchmark::State& state) {
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(kPixels));
    state.counters["Mpixel/s"] =
        benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <class Pixel>
void absoluteRender(benchmark::State& state) {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(threadsOf(state));
    std::vector<Pixel> input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    absolute::RgbaCurvesFilter<Pixel> filter(host);
    filter.setCurves(curvesFor(state.range(0)));
    filter.setInvert(state.range(0) == kAllEightInverted);
    filter.setImages(PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, input.data()),
                     PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, output.data()));
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
    b->ArgNames({"curves", "threads"});
    for (const std::int64_t curves : {kRgbOnly, kAllEight, kAllEightInverted}) {
        for (const std::int64_t threads : {1, 0}) {
            b->Args({curves, threads});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(memoryCopy<Pixel8>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(absoluteRender<Pixel8>)->Apply(renderArguments);
BENCHMARK(memoryCopy<Pixel16>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(absoluteRender<Pixel16>)->Apply(renderArguments);
BENCHMARK(memoryCopy<PixelFloat>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(absoluteRender<PixelFloat>)->Apply(renderArguments);

} // namespace
} // namespace korvane

BENCHMARK_MAIN();

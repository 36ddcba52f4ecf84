#pragma once
// What the render benchmarks share: the UHD frame, the thread argument, curves through given nodes and the
// throughput counter.
#include "curves/Curve.h"
#include "platform/SystemInfo.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

namespace korvane::bench {

constexpr std::int32_t kWidth = 3840;
constexpr std::int32_t kHeight = 2160;
constexpr double kPixels = double(kWidth) * kHeight;

// The threads argument (range 1 unless given): 0 means every processor.
inline std::int32_t threadsOf(const benchmark::State& state, int argument = 1) {
    return state.range(argument) > 0 ? std::int32_t(state.range(argument)) : processorCount();
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

// A curve through the given nodes, handles by the automatic rule; neutralSlope 1 for Absolute curves, 0 for
// Relative ones.
inline Curve curveThrough(std::initializer_list<std::pair<double, double>> points, double neutralSlope,
                          bool loop = false) {
    Curve curve{};
    resetCurve(curve, neutralSlope);
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
    recomputeHandles(curve, neutralSlope);
    return curve;
}

// Items and Mpixel/s for `pixels` pixels per iteration.
inline void reportThroughput(benchmark::State& state, double pixels = kPixels) {
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(pixels));
    state.counters["Mpixel/s"] =
        benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The floor of any render: reading the frame once and writing it once.
// Applies a filter over the whole frame once per iteration; the output stays observable.
template <class Filter, class Host, class Pixel>
void timeFilter(benchmark::State& state, Filter& filter, Host& host, std::vector<Pixel>& output) {
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

template <class Pixel>
void memoryCopy(benchmark::State& state) {
    const std::vector<Pixel>& input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), output.begin());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

// Every render benchmark runs on one thread and on two (the thread-scaling figures).
constexpr std::int64_t kThreadCounts[] = {1, 2};

} // namespace korvane::bench

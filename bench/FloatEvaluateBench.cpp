// Curve evaluation at float depth on the components of one UHD frame: one KnotList::evaluate per component
// against KnotList::evaluateMany over runs of components, in memory order and channel by channel; and the
// Absolute float render with the rgb curve against the same work done the straightforward way (one evaluate
// per colour component, alpha copied).
#include "absolute/AbsoluteChannels.h"
#include "bench/AbsoluteBenchCurves.h"
#include "bench/BenchFrame.h"
#include "curves/KnotList.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvane::bench {
namespace {

// Values per call of evaluateMany: the render's run length.
constexpr std::size_t kRun = 256;

const KnotList& rgbKnots() {
    static const KnotList knots(absoluteCurvesFor(AbsoluteCurves::RgbOnly).curves[kChannelRgb], 1.0);
    return knots;
}

// Every loop reads the frame's components into doubles a run at a time and keeps the results, so that only
// the evaluation differs between them. Interleaved: the components in memory order (red, green, blue and
// alpha of one pixel side by side, mostly in different segments of the curve); by channel: one channel of a
// run of pixels after the other, as the render hands them over.
enum class Order { Interleaved, ByChannel };

template <bool Many, Order order>
void evaluateComponents(benchmark::State& state) {
    const std::vector<PixelFloat>& input = frame<PixelFloat>();
    const KnotList& knots = rgbKnots();
    double values[kRun];
    double results[kRun];
    const auto evaluate = [&](std::size_t n) {
        if constexpr (Many) {
            knots.evaluateMany(values, results, n);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                results[i] = knots.evaluate(values[i]);
            }
        }
        benchmark::DoNotOptimize(results);
        benchmark::ClobberMemory();
    };
    for (auto _ : state) {
        if constexpr (order == Order::Interleaved) {
            const auto* components = &input[0].channel[0];
            const std::size_t count = input.size() * 4;
            for (std::size_t begin = 0; begin < count; begin += kRun) {
                const std::size_t n = std::min(kRun, count - begin);
                for (std::size_t i = 0; i < n; ++i) {
                    values[i] = double(components[begin + i]);
                }
                evaluate(n);
            }
        } else {
            for (std::size_t begin = 0; begin < input.size(); begin += kRun) {
                const std::size_t n = std::min(kRun, input.size() - begin);
                for (int c = 0; c < 4; ++c) {
                    for (std::size_t i = 0; i < n; ++i) {
                        values[i] = double(input[begin + i].channel[c]);
                    }
                    evaluate(n);
                }
            }
        }
    }
    reportThroughput(state);
}

void scalarEvaluate(benchmark::State& state) {
    evaluateComponents<false, Order::Interleaved>(state);
}

void evaluateMany(benchmark::State& state) {
    evaluateComponents<true, Order::Interleaved>(state);
}

void scalarEvaluateByChannel(benchmark::State& state) {
    evaluateComponents<false, Order::ByChannel>(state);
}

void evaluateManyByChannel(benchmark::State& state) {
    evaluateComponents<true, Order::ByChannel>(state);
}

// The float render with the rgb curve as it was before evaluateMany: one evaluate per colour component.
void straightforwardRgbRender(benchmark::State& state) {
    const std::vector<PixelFloat>& input = frame<PixelFloat>();
    std::vector<PixelFloat> output(input.size());
    const KnotList& knots = rgbKnots();
    for (auto _ : state) {
        for (std::size_t i = 0; i < input.size(); ++i) {
            const PixelFloat& p = input[i];
            PixelFloat& q = output[i];
            q.red() = float(knots.evaluate(double(p.red())));
            q.green() = float(knots.evaluate(double(p.green())));
            q.blue() = float(knots.evaluate(double(p.blue())));
            q.alpha() = p.alpha();
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

void absoluteRgbRender(benchmark::State& state) {
    runAbsoluteRender<PixelFloat>(state, absoluteCurvesFor(AbsoluteCurves::RgbOnly), false, 1);
}

BENCHMARK(scalarEvaluate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(evaluateMany)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(scalarEvaluateByChannel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(evaluateManyByChannel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(straightforwardRgbRender)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(absoluteRgbRender)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace korvane::bench

BENCHMARK_MAIN();

// The Absolute render on a UHD frame at 8-bit, 16-bit and float: only the rgb curve, all eight curves, and
// all eight under "invert all" (the reversed order with its rounding step), on one thread and on two, beside
// a plain copy of the same frame. Throughput in Mpixel/s. The filter runs on a KorvaneHost, without a host.
#include "bench/AbsoluteBenchCurves.h"
#include "bench/BenchFrame.h"

#include <vector>

namespace korvane::bench {
namespace {

template <class Pixel>
void absoluteRender(benchmark::State& state) {
    const auto curves = AbsoluteCurves(state.range(0));
    runAbsoluteRender<Pixel>(state, absoluteCurvesFor(curves), curves == AbsoluteCurves::AllEightInverted,
                             threadsOf(state));
}

void renderArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"curves", "threads"});
    for (const auto curves :
         {AbsoluteCurves::RgbOnly, AbsoluteCurves::AllEight, AbsoluteCurves::AllEightInverted}) {
        for (const std::int64_t threads : kThreadCounts) {
            b->Args({std::int64_t(curves), threads});
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
} // namespace korvane::bench

BENCHMARK_MAIN();

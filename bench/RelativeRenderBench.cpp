// The Relative render on a UHD frame at 8-bit, 16-bit and float: one property changed, all seven colour
// properties changed, one property read from a source blurred with pre blur 10, all properties with the
// post blur (radius 10), and saturation, brightness and hue changed together, each on one thread and on two,
// beside a plain copy of the same frame. Throughput in Mpixel/s. The filter runs on a KorvaneHost, without a host.
#include "bench/BenchFrame.h"
#include "bench/RelativeBenchCurves.h"

namespace korvane::bench {
namespace {

template <class Pixel>
void relativeRender(benchmark::State& state) {
    runRelativeRender<Pixel>(state, RelativeScenario(state.range(0)), threadsOf(state));
}

void renderArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scenario", "threads"});
    for (const auto scenario : {RelativeScenario::OneProperty, RelativeScenario::AllProperties,
                                RelativeScenario::PreBlur, RelativeScenario::PostBlur,
                                RelativeScenario::ThreeProperties}) {
        for (const std::int64_t threads : kThreadCounts) {
            b->Args({std::int64_t(scenario), threads});
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
} // namespace korvane::bench

BENCHMARK_MAIN();

// The Absolute render's per-channel path beside OpenCV's table lookup, in one run on one UHD frame: cv::LUT
// on the frame as CV_8UC4 with a four-channel table (the very maps the render applies), the Absolute render
// with the per-channel curves (rgb, red, green, blue, alpha) at 8 and 16 bits, with all eight curves at 8
// and 16 bits, and the Relative render with one property changed at 8 bits; each on one thread and on two. A
// plain copy of the frame at 8 and 16 bits is the memory's limit for the per-channel render, and the map row
// kernels this processor runs are timed on their own over the same frame. The Relative render with three
// properties changed (saturation by hue, brightness by brightness, hue by saturation) at 8 bits, likewise.
#include "absolute/ChannelMapRows.h"
#include "bench/AbsoluteBenchCurves.h"
#include "bench/BenchFrame.h"
#include "bench/RelativeBenchCurves.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <random>
#include <vector>

namespace korvane::bench {
namespace {

// The four-channel table of the per-channel curves: the Absolute render of a 256-pixel ramp whose pixel j
// holds j in every channel, so entry j, channel k is what the render stores for value j in channel k.
cv::Mat channelTable() {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    std::vector<Pixel8> ramp(256);
    for (std::size_t j = 0; j < ramp.size(); ++j) {
        for (auto& value : ramp[j].channel) {
            value = std::uint8_t(j);
        }
    }
    cv::Mat table(1, 256, CV_8UC4);
    absolute::RgbaCurvesFilter<Pixel8> filter(host);
    filter.setCurves(absoluteCurvesFor(AbsoluteCurves::Channels));
    filter.setImages(PixelArray<Pixel8>::overScratch(256, 1, 0, 0, ramp.data()),
                     PixelArray<Pixel8>::overScratch(256, 1, 0, 0, table.data));
    if (filter.apply(0, 1) != host.noError()) {
        return {};
    }
    return table;
}

void openCvLut(benchmark::State& state) {
    cv::setNumThreads(threadsOf(state, 0));
    const cv::Mat table = channelTable();
    if (table.empty()) {
        state.SkipWithError("table render failed");
        return;
    }
    // The frame's bytes as they are: four channels per pixel in the order the render reads them.
    std::vector<Pixel8> input = frame<Pixel8>();
    const cv::Mat source(kHeight, kWidth, CV_8UC4, input.data());
    cv::Mat destination(kHeight, kWidth, CV_8UC4);
    for (auto _ : state) {
        cv::LUT(source, table, destination);
        benchmark::DoNotOptimize(destination.data);
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

template <class Pixel>
void absoluteChannels(benchmark::State& state) {
    runAbsoluteRender<Pixel>(state, absoluteCurvesFor(AbsoluteCurves::Channels), false, threadsOf(state, 0));
}

void absoluteAllEight(benchmark::State& state) {
    runAbsoluteRender<Pixel8>(state, absoluteCurvesFor(AbsoluteCurves::AllEight), false, threadsOf(state, 0));
}

void absoluteAllEight16(benchmark::State& state) {
    runAbsoluteRender<Pixel16>(state, absoluteCurvesFor(AbsoluteCurves::AllEight), false, threadsOf(state, 0));
}

void relativeOneProperty(benchmark::State& state) {
    runRelativeRender<Pixel8>(state, RelativeScenario::OneProperty, threadsOf(state, 0));
}

// The frame through random maps, row by row, by kernel number `kernel` of mapRowKernels (0: the plain loop).
template <class Pixel>
void mapRows(benchmark::State& state) {
    using Value = typename Pixel::Value;
    const auto kernel = absolute::mapRowKernels(sizeof(Value))[std::size_t(state.range(0))];
    state.SetLabel(absolute::mapRowKernelName(kernel));
    const std::size_t length = std::size_t(Pixel::kMaxValue) + 1;
    std::vector<Value> maps(absolute::channelMapStorage(length));
    std::mt19937 rng(29);
    std::uniform_int_distribution<std::uint32_t> entry(0, Pixel::kMaxValue);
    for (Value& m : maps) {
        m = Value(entry(rng));
    }
    const std::vector<Pixel>& input = frame<Pixel>();
    std::vector<Pixel> output(input.size());
    for (auto _ : state) {
        for (std::int32_t y = 0; y < kHeight; ++y) {
            const std::size_t row = std::size_t(y) * kWidth;
            absolute::mapRow(kernel, maps.data(), input[row].channel, output[row].channel, kWidth);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

template <class Pixel>
void kernelArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"kernel"});
    for (std::size_t k = 0; k < absolute::mapRowKernels(sizeof(typename Pixel::Value)).size(); ++k) {
        b->Arg(std::int64_t(k));
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void relativeThreeProperties(benchmark::State& state) {
    runRelativeRender<Pixel8>(state, RelativeScenario::ThreeProperties, threadsOf(state, 0));
}

void threadArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"threads"});
    for (const std::int64_t threads : kThreadCounts) {
        b->Arg(threads);
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(openCvLut)->Apply(threadArguments);
BENCHMARK(absoluteChannels<Pixel8>)->Apply(threadArguments);
BENCHMARK(absoluteChannels<Pixel16>)->Apply(threadArguments);
BENCHMARK(absoluteAllEight)->Apply(threadArguments);
BENCHMARK(absoluteAllEight16)->Apply(threadArguments);
BENCHMARK(relativeOneProperty)->Apply(threadArguments);
BENCHMARK(memoryCopy<Pixel8>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(memoryCopy<Pixel16>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(mapRows<Pixel8>)->Apply(kernelArguments<Pixel8>);
BENCHMARK(mapRows<Pixel16>)->Apply(kernelArguments<Pixel16>);
BENCHMARK(relativeThreeProperties)->Apply(threadArguments);

} // namespace
} // namespace korvane::bench

BENCHMARK_MAIN();

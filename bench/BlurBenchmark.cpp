// The tent blur on a UHD frame at 8-bit and float, radii 2, 10 and 50, on one thread and on two, beside
// OpenCV's box blur and Gaussian blur of the same radii on the same image. Throughput in Mpixel/s.
#include "bench/BenchFrame.h"
#include "framework/KorvaneHost.h"
#include "pixels/GlowFilter.h"
#include "pixels/PixelRGB.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <type_traits>

namespace korvane::bench {
namespace {

// Arguments: radius, threads.

template <class Pixel>
constexpr int kCvType = std::is_same_v<Pixel, Pixel8> ? CV_8UC4 : CV_32FC4;

// One frame of noise over smooth gradients, the same for every benchmark of a depth.
template <class Pixel>
const cv::Mat& frame() {
    static const cv::Mat image = [] {
        cv::Mat m(kHeight, kWidth, kCvType<Pixel>);
        std::mt19937 rng(2160);
        std::uniform_real_distribution<double> noise(-0.1, 0.1);
        for (std::int32_t y = 0; y < kHeight; ++y) {
            auto* row = m.ptr<typename Pixel::Value>(y);
            for (std::int32_t x = 0; x < kWidth * 4; ++x) {
                const double v = std::clamp(
                    double(x % 1024) / 1024.0 * 0.8 + double(y) / kHeight * 0.1 + noise(rng), 0.0, 1.0);
                row[x] = static_cast<typename Pixel::Value>(Pixel::kIsFloat ? v : v * Pixel::kMax + 0.5);
            }
        }
        return m;
    }();
    return image;
}

template <class Pixel>
PixelArray<Pixel> viewOf(cv::Mat& m) {
    return PixelArray<Pixel>::overScratch(m.cols, m.rows, 0, 0, m.data);
}

template <class Pixel>
void tentBlur(benchmark::State& state) {
    KorvaneHost host("Bench", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(threadsOf(state));
    cv::Mat source = frame<Pixel>().clone();
    cv::Mat intermediate(kHeight, kWidth, kCvType<Pixel>);
    cv::Mat destination(kHeight, kWidth, kCvType<Pixel>);
    GlowFilter<Pixel> filter(host);
    filter.setSource(viewOf<Pixel>(source));
    filter.setIntermediate(viewOf<Pixel>(intermediate));
    filter.setDestination(viewOf<Pixel>(destination));
    filter.setRadii(double(state.range(0)), double(state.range(0)));
    for (auto _ : state) {
        if (filter.apply(0, 1) != host.noError()) {
            state.SkipWithError("blur failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

template <class Pixel>
void openCvBoxBlur(benchmark::State& state) {
    cv::setNumThreads(threadsOf(state));
    const cv::Mat& source = frame<Pixel>();
    cv::Mat destination;
    const int size = 2 * int(state.range(0)) + 1;
    for (auto _ : state) {
        cv::blur(source, destination, cv::Size(size, size), cv::Point(-1, -1), cv::BORDER_REFLECT_101);
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

template <class Pixel>
void openCvGaussianBlur(benchmark::State& state) {
    cv::setNumThreads(threadsOf(state));
    const cv::Mat& source = frame<Pixel>();
    cv::Mat destination;
    const int size = 2 * int(state.range(0)) + 1;
    for (auto _ : state) {
        // Sigma 0: OpenCV derives it from the kernel size.
        cv::GaussianBlur(source, destination, cv::Size(size, size), 0.0, 0.0, cv::BORDER_REFLECT_101);
        benchmark::ClobberMemory();
    }
    reportThroughput(state);
}

void blurArguments(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"radius", "threads"});
    for (const std::int64_t threads : kThreadCounts) {
        for (const std::int64_t radius : {2, 10, 50}) {
            benchmark->Args({radius, threads});
        }
    }
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_TEMPLATE(tentBlur, Pixel8)->Apply(blurArguments);
BENCHMARK_TEMPLATE(openCvBoxBlur, Pixel8)->Apply(blurArguments);
BENCHMARK_TEMPLATE(openCvGaussianBlur, Pixel8)->Apply(blurArguments);
BENCHMARK_TEMPLATE(tentBlur, PixelFloat)->Apply(blurArguments);
BENCHMARK_TEMPLATE(openCvBoxBlur, PixelFloat)->Apply(blurArguments);
BENCHMARK_TEMPLATE(openCvGaussianBlur, PixelFloat)->Apply(blurArguments);

} // namespace
} // namespace korvane::bench

BENCHMARK_MAIN();

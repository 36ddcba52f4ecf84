#pragma once
// Runs the Absolute filter over small images made in the tests (tests/support/TestImage.h).
#include "absolute/RgbaCurvesFilter.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "tests/absolute/TestCurves.h"
#include "tests/framework/FilterHost.h"
#include "tests/support/TestImage.h"

#include <cstdint>
#include <vector>

namespace korvane::testing {

struct FilterSettings {
    AbsoluteCurveSet curves = defaultCurves();
    bool invert = false;
    std::int32_t threads = 1;
    std::int32_t histogramMode = 0;
    std::int32_t histogramChannel = 3;
    double low = 0.0;
    double high = 1.0;
};

// The filter's output for an input image, with its status and histograms.
template <class Pixel>
struct FilterResult {
    std::int32_t status = 0;
    TestImage<Pixel> output;
    absolute::HistogramArrays histograms{};
    std::array<bool, kCurveCount> enabled{};
};

template <class Pixel>
FilterResult<Pixel> runFilter(TestImage<Pixel>& input, const FilterSettings& settings, FilterHost& host) {
    FilterResult<Pixel> result{0, TestImage<Pixel>(input.width, input.height), {}, {}};
    absolute::RgbaCurvesFilter<Pixel> filter(host);
    filter.setCurves(settings.curves);
    filter.setInvert(settings.invert);
    filter.setHistogram(settings.histogramMode, settings.histogramChannel, settings.low, settings.high,
                        &result.histograms);
    filter.setImages(input.view(), result.output.view());
    result.status = filter.apply(0, 1);
    for (std::int32_t i = 0; i < kCurveCount; ++i) {
        result.enabled[std::size_t(i)] = filter.channelEnabled(i);
    }
    return result;
}

template <class Pixel>
FilterResult<Pixel> runFilter(TestImage<Pixel>& input, const FilterSettings& settings) {
    FilterHost host(settings.threads);
    return runFilter(input, settings, host);
}

// One row of pixels through the filter; the output row.
template <class Pixel>
std::vector<Rgba> filterRow(const std::vector<Rgba>& row, const FilterSettings& settings) {
    TestImage<Pixel> input(row);
    const FilterResult<Pixel> result = runFilter(input, settings);
    std::vector<Rgba> out;
    for (std::int32_t x = 0; x < input.width; ++x) {
        out.push_back(result.output.get(x, 0));
    }
    return out;
}

} // namespace korvane::testing

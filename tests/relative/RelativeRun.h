#pragma once
// Small images, curves and filter runs for the Relative filter's tests.
#include "curves/Curve.h"
#include "curves/CurveSet.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "relative/RgbaCurvesFilter.h"
#include "tests/framework/FilterHost.h"
#include "tests/support/CurveThrough.h"
#include "tests/support/TestImage.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace korvane::testing {

// A one-row image of the given pixels.
template <class Pixel>
TestImage<Pixel> rowOf(std::initializer_list<Rgba> colours) {
    TestImage<Pixel> image(std::int32_t(colours.size()), 1);
    std::int32_t x = 0;
    for (const Rgba& c : colours) {
        image.set(x++, 0, c);
    }
    return image;
}

// A Relative curve through the points; Linear sides make it the polyline through them (within the handle
// rule's 0.0001 offsets), Smooth sides on equal y make it exactly flat.
inline Curve curveThrough(std::initializer_list<std::pair<double, double>> points,
                          HandleMode mode = HandleMode::Linear) {
    return curveThroughPoints(points, 0.0, mode);
}

// The curve at y = c everywhere.
inline Curve constantCurve(double c) {
    return curveThrough({{0.0, c}, {1.0, c}}, HandleMode::Smooth);
}

inline RelativeCurveSet defaultSet() {
    RelativeCurveSet set{};
    resetCurveSet(set);
    return set;
}

// Property k changed by a constant amount c (read from brightness), by multiplication or addition.
inline void setConstantChange(RelativeCurveSet& set, int k, double c, bool addition, double factor = 1.0) {
    set.curves[std::size_t(k)] = constantCurve(c);
    set.basedOn[std::size_t(k)] = 0;
    set.changeBy[std::size_t(k)] = addition ? 1 : 0;
    set.changeFactor[std::size_t(k)] = factor;
}

// Runs the filter over input into output (same size), with an optional source; returns apply's status.
template <class Pixel>
std::int32_t runFilter(FilterHost& host, const RelativeCurveSet& set, TestImage<Pixel>& input,
                       TestImage<Pixel>& output, const relative::RenderSettings& settings = {},
                       relative::HistogramArrays* histograms = nullptr, TestImage<Pixel>* source = nullptr) {
    relative::RgbaCurvesFilter<Pixel> filter(host);
    filter.setImages(input.view(), output.view(), source != nullptr ? source->view() : PixelArray<Pixel>{});
    filter.setCurves(set);
    filter.setSettings(settings);
    filter.setHistograms(histograms);
    return filter.apply(0, 1);
}

// The output of one render of `input`.
template <class Pixel>
TestImage<Pixel> rendered(const RelativeCurveSet& set, TestImage<Pixel>& input,
                          const relative::RenderSettings& settings = {}, TestImage<Pixel>* source = nullptr,
                          std::int32_t threads = 1) {
    FilterHost host(threads);
    TestImage<Pixel> output(input.width, input.height, kRowPadding, input.originX, input.originY);
    runFilter(host, set, input, output, settings, nullptr, source);
    return output;
}

} // namespace korvane::testing

#pragma once
// Small images and curves for the Relative filter's tests.
#include "curves/Curve.h"
#include "curves/CurveSet.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "relative/RgbaCurvesFilter.h"
#include "tests/framework/FilterHost.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace korvane::testing {

// Channel values in the depth's units (alpha last here, whatever the pixel layout).
struct Rgba {
    double red;
    double green;
    double blue;
    double alpha;
};

// An unpadded image of one pixel type placed in layer coordinates.
template <class Pixel>
struct TestImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t originX = 0;
    std::int32_t originY = 0;
    std::vector<Pixel> pixels;

    TestImage(std::int32_t w, std::int32_t h, std::int32_t x = 0, std::int32_t y = 0)
        : width(w), height(h), originX(x), originY(y), pixels(std::size_t(w) * std::size_t(h), Pixel{}) {}

    PixelArray<Pixel> view() {
        return PixelArray<Pixel>::overScratch(width, height, originX, originY, pixels.data());
    }
    Pixel& at(std::int32_t x, std::int32_t y) {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    void set(std::int32_t x, std::int32_t y, const Rgba& c) {
        Pixel& p = at(x, y);
        p.red() = static_cast<typename Pixel::Value>(c.red);
        p.green() = static_cast<typename Pixel::Value>(c.green);
        p.blue() = static_cast<typename Pixel::Value>(c.blue);
        p.alpha() = static_cast<typename Pixel::Value>(c.alpha);
    }
    Rgba get(std::int32_t x, std::int32_t y) {
        const Pixel& p = at(x, y);
        return {double(p.red()), double(p.green()), double(p.blue()), double(p.alpha())};
    }
    void fill(const Rgba& c) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                set(x, y, c);
            }
        }
    }
};

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
    Curve curve{};
    resetCurve(curve, 0.0);
    for (CurveNode& node : curve.nodes) {
        node.active = 0;
    }
    int slot = 0;
    for (const auto& [x, y] : points) {
        CurveNode& node = curve.nodes[std::size_t(slot++)];
        node.x = x;
        node.y = y;
        node.active = 1;
        node.leftMode = mode;
        node.rightMode = mode;
    }
    recomputeHandles(curve, 0.0);
    return curve;
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
    TestImage<Pixel> output(input.width, input.height, input.originX, input.originY);
    runFilter(host, set, input, output, settings, nullptr, source);
    return output;
}

} // namespace korvane::testing

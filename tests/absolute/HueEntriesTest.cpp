// The hue table entries found in vector lanes against one std::acos per direction, above all where a hue
// falls on or next to the boundary between two entries.
#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HueEntries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace korvane::absolute {
namespace {

std::int32_t plainEntry(double x, double y, std::int32_t last) {
    return tableIndex(std::min(hueTurns(x, y), 1.0) * double(last), last);
}

void expectPlainEntries(const std::vector<double>& x, const std::vector<double>& y, std::int32_t last) {
    std::vector<std::int32_t> entries(x.size(), -1);
    hueTableEntries(x.data(), y.data(), std::int32_t(x.size()), double(last), last, entries.data());
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(entries[i], plainEntry(x[i], y[i], last))
            << "last " << last << ", x " << x[i] << ", y " << y[i] << " (direction " << i << ")";
    }
}

TEST(HueEntries, DirectionsOnAndBesideEveryEntryBoundaryGetThePlainEntry) {
    for (const std::int32_t last : {255, 65535, 32768}) {
        std::vector<double> x;
        std::vector<double> y;
        for (std::int32_t k = 0; k <= last; k += (last > 255 ? 7 : 1)) {
            const double angle = 2.0 * std::numbers::pi * k / last;
            for (const double a : {std::nextafter(angle, -1.0), angle, std::nextafter(angle, 7.0)}) {
                x.push_back(std::sin(a));
                y.push_back(std::cos(a));
            }
        }
        // The edges: hue 0 from either side, y a rounding beyond the unit, a negative zero x.
        for (const double edgeY : {1.0, std::nextafter(1.0, 2.0), -1.0, std::nextafter(-1.0, -2.0)}) {
            for (const double edgeX : {0.0, -0.0, 1e-300, -1e-300}) {
                x.push_back(edgeX);
                y.push_back(edgeY);
            }
        }
        expectPlainEntries(x, y, last);
    }
}

TEST(HueEntries, RandomDirectionsOverManyRunsGetThePlainEntry) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> component(-1.0, 1.0);
    std::vector<double> x;
    std::vector<double> y;
    while (x.size() < 5000) {
        const double a = component(rng);
        const double b = component(rng);
        const double length = std::sqrt(a * a + b * b);
        if (length > 0.0) {
            x.push_back(a / length);
            y.push_back(b / length);
        }
    }
    expectPlainEntries(x, y, 255);
    expectPlainEntries(x, y, 32768);
}

} // namespace
} // namespace korvane::absolute

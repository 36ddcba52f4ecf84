// The hue table entries found by comparing against the entries' boundaries, against one std::acos per
// direction, above all where a hue falls on or next to the boundary between two entries, and at the top and
// bottom of the circle, where one bucket of y holds many boundaries.
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
    std::vector<double> cosines(HueBoundaries::cosineCount(last));
    std::vector<std::int32_t> firstEntries(HueBoundaries::bucketCount(last));
    const HueBoundaries boundaries(last, cosines.data(), firstEntries.data());
    hueTableEntries(boundaries, x.data(), y.data(), std::int32_t(x.size()), entries.data());
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

TEST(HueEntries, DirectionsNearTheTopAndBottomOfTheCircleAndOnBucketEdgesGetThePlainEntry) {
    std::vector<double> x;
    std::vector<double> y;
    // Angles within a few entries of 0 and of π, where the buckets of y are many entries wide.
    for (const double scale : {1e-9, 1e-7, 1e-5, 1e-3, 3e-2}) {
        for (int i = 1; i <= 40; ++i) {
            const double a = scale * i / 7.0;
            for (const double angle : {a, std::numbers::pi - a}) {
                for (const double side : {1.0, -1.0}) {
                    x.push_back(side * std::sin(angle));
                    y.push_back(std::cos(angle));
                }
            }
        }
    }
    // y on and next to the edges of the buckets (1024 of them at 8 bits, 65536 at 16 bits).
    for (const int buckets : {1024, 65536}) {
        for (int b = 1; b < buckets; b += buckets / 512 + 1) {
            const double edge = -1.0 + 2.0 * b / buckets;
            for (const double v : {std::nextafter(edge, -2.0), edge, std::nextafter(edge, 2.0)}) {
                for (const double side : {0.5, -0.5}) {
                    x.push_back(side);
                    y.push_back(v);
                }
            }
        }
    }
    expectPlainEntries(x, y, 255);
    expectPlainEntries(x, y, 32768);
    expectPlainEntries(x, y, 65535);
}

} // namespace
} // namespace korvane::absolute

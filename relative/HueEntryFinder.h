#pragma once
#include "curves/HuePlane.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace korvane::relative {

// The hue table entry of an integer-depth colour without the inverse cosine: the entry the run steps read,
// tableIndex(hueSource(red, green, blue, max), max), which is 0 for grey and else the whole part of h x max
// (at most max). The hue h comes from the cosine c = y / length of the colour's angle in the hue plane (h =
// acos(c) / 2 pi, or 1 minus that where the colour lies on the negative x side); its entry changes where h
// x max is whole, that is where c crosses cos(2 pi k / max). The finder holds those crossings, counts the
// ones above c (a rough inverse cosine guesses, the crossings decide), and works the hue out with the inverse
// cosine itself where c lies within a hair of a crossing (1e-9 of a turn), where the inverse cosine's
// rounding could put the entry on either side.
class HueEntryFinder {
public:
    HueEntryFinder() = default;
    // For tables of max + 1 entries (max at least 2).
    explicit HueEntryFinder(std::int32_t max);

    std::int32_t entry(double red, double green, double blue) const {
        // The first steps of hue(), operation for operation.
        const double d = (red + green) * kHueYRedGreen - blue * kHueYBlue;
        const double e = red * kHueX - green * kHueX + blue * 0.0;
        const double length = std::sqrt(e * e + d * d);
        if (length == 0.0) {
            return 0;
        }
        const double c = std::clamp(d / length, -1.0, 1.0);
        // k: the crossings 1..max / 2 at or above c, so that crossing k >= c > crossing k + 1 and h0 =
        // acos(c) / 2 pi lies between k / max and (k + 1) / max.
        const auto last = std::int32_t(crossing_.size()) - 2;
        auto k = std::clamp(std::int32_t(roughTurns(c) * double(max_)), 0, last);
        while (crossing_[std::size_t(k)] < c) {
            --k;
        }
        while (!(c > crossing_[std::size_t(k) + 1])) {
            ++k;
        }
        const auto near = [&](std::size_t at) { return c >= windowLow_[at] && c <= windowHigh_[at]; };
        if (near(std::size_t(k)) || near(std::size_t(k) + 1)) {
            return straightforwardEntry(red, green, blue);
        }
        // h = h0, or 1 - h0 on the negative side: the entry is k, or max - 1 - k.
        return e / length < 0.0 ? max_ - 1 - k : k;
    }

private:
    // acos(c) / 2 pi within 2e-8 / 2 pi (Abramowitz and Stegun 4.4.46): a first guess at the entry, which
    // the crossings then confirm or move.
    static double roughTurns(double c) {
        const double x = std::fabs(c);
        double p = -0.0012624911;
        p = p * x + 0.0066700901;
        p = p * x - 0.0170881256;
        p = p * x + 0.0308918810;
        p = p * x - 0.0501743046;
        p = p * x + 0.0889789874;
        p = p * x - 0.2145988016;
        p = p * x + 1.5707963050;
        const double r = std::sqrt(1.0 - x) * p;
        return (c < 0.0 ? std::numbers::pi - r : r) * (0.5 / std::numbers::pi);
    }
    // The entry by the inverse cosine.
    std::int32_t straightforwardEntry(double red, double green, double blue) const;

    std::int32_t max_ = 0;
    // crossing_[k] = cos(2 pi k / max) for k = 0..max / 2, decreasing, then one below every cosine; the
    // window around each in which the entry is worked out the straightforward way.
    std::vector<double> crossing_;
    std::vector<double> windowLow_;
    std::vector<double> windowHigh_;
};

} // namespace korvane::relative

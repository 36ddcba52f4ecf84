#include "relative/HueEntryFinder.h"

#include "curves/HuePlane.h"
#include "relative/TableIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace korvane::relative {

namespace {

// Half the width of the windows around the crossings, in turns of hue: far more than the inverse cosine's
// rounding moves h (a few units of 1e-16), far less than an entry (1 / 32768 of a turn).
constexpr double kWindowTurns = 1e-9;

double widened(double v, int ulps, double toward) {
    for (int i = 0; i < ulps; ++i) {
        v = std::nextafter(v, toward);
    }
    return v;
}

} // namespace

HueEntryFinder::HueEntryFinder(std::int32_t max) : max_(max) {
    const std::int32_t last = max / 2;
    for (std::int32_t k = 0; k <= last; ++k) {
        const double turn = double(k) / double(max);
        const double angle = 2.0 * std::numbers::pi;
        crossing_.push_back(std::cos(angle * turn));
        windowLow_.push_back(widened(std::cos(angle * (turn + kWindowTurns)), 4, -2.0));
        windowHigh_.push_back(widened(std::cos(angle * (turn - kWindowTurns)), 4, 2.0));
    }
    // Past the last crossing: below every cosine, and a window nothing lies in.
    crossing_.push_back(-2.0);
    windowLow_.push_back(3.0);
    windowHigh_.push_back(-3.0);
}

namespace {

// The inverse cosine within 2e-8 (Abramowitz and Stegun 4.4.46): a first guess at the entry, which the
// crossings then confirm or move.
double roughInverseCosine(double c) {
    const double x = std::fabs(c);
    double p = -0.0012624911;
    for (const double a : {0.0066700901, -0.0170881256, 0.0308918810, -0.0501743046, 0.0889789874,
                           -0.2145988016, 1.5707963050}) {
        p = p * x + a;
    }
    const double r = std::sqrt(1.0 - x) * p;
    return c < 0.0 ? std::numbers::pi - r : r;
}

} // namespace

std::int32_t HueEntryFinder::entry(double red, double green, double blue) const {
    // The first steps of hue(), operation for operation.
    const double d = (red + green) * kHueYRedGreen - blue * kHueYBlue;
    const double e = red * kHueX - green * kHueX + blue * 0.0;
    const double length = std::sqrt(e * e + d * d);
    if (length == 0.0) {
        return 0;
    }
    const double c = std::clamp(d / length, -1.0, 1.0);
    // k: the crossings 1..max / 2 at or above c, so that crossing k >= c > crossing k + 1 and h0 = acos(c) /
    // 2 pi lies between k / max and (k + 1) / max.
    const auto last = std::int32_t(crossing_.size()) - 2;
    auto k =
        std::clamp(std::int32_t(roughInverseCosine(c) * (0.5 / std::numbers::pi) * double(max_)), 0, last);
    while (crossing_[std::size_t(k)] < c) {
        --k;
    }
    while (!(c > crossing_[std::size_t(k) + 1])) {
        ++k;
    }
    const auto near = [&](std::size_t at) { return c >= windowLow_[at] && c <= windowHigh_[at]; };
    if (near(std::size_t(k)) || near(std::size_t(k) + 1)) {
        return tableIndex(hueSource(red, green, blue, double(max_)), max_);
    }
    // h = h0, or 1 - h0 on the negative side: the entry is k, or max - 1 - k.
    return e / length < 0.0 ? max_ - 1 - k : k;
}

} // namespace korvane::relative

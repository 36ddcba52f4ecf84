#include "relative/HueEntryFinder.h"

#include "curves/HuePlane.h"
#include "relative/TableIndex.h"

#include <algorithm>
#include <cmath>
#include <functional>
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
}

std::int32_t HueEntryFinder::entry(double red, double green, double blue) const {
    // The first steps of hue(), operation for operation.
    const double d = (red + green) * kHueYRedGreen - blue * kHueYBlue;
    const double e = red * kHueX - green * kHueX + blue * 0.0;
    const double length = std::sqrt(e * e + d * d);
    if (length == 0.0) {
        return 0;
    }
    const double c = std::clamp(d / length, -1.0, 1.0);
    // k: the crossings 1..max / 2 above c, so h0 = acos(c) / 2 pi lies between k / max and (k + 1) / max.
    const auto above = std::upper_bound(crossing_.begin() + 1, crossing_.end(), c, std::greater<>());
    const auto k = std::int32_t(above - crossing_.begin()) - 1;
    const auto near = [&](std::int32_t at) {
        return at >= 0 && at < std::int32_t(crossing_.size()) && c >= windowLow_[std::size_t(at)] &&
               c <= windowHigh_[std::size_t(at)];
    };
    if (near(k) || near(k + 1)) {
        return tableIndex(hueSource(red, green, blue, double(max_)), max_);
    }
    // h = h0, or 1 - h0 on the negative side: the entry is k, or max - 1 - k.
    return e / length < 0.0 ? max_ - 1 - k : k;
}

} // namespace korvane::relative

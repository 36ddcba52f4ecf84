#include "relative/HueEntryFinder.h"

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

std::int32_t HueEntryFinder::straightforwardEntry(double red, double green, double blue) const {
    return tableIndex(hueSource(red, green, blue, double(max_)), max_);
}

} // namespace korvane::relative

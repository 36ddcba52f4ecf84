#include "absolute/HueEntries.h"

#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane::absolute {

namespace {

// Boundary k lies at the angle 2πk/last for k up to half the table (an angle of at most π); beyond them come
// the bottom of the circle (y = -1, where hues from either side meet) and a sentinel no y reaches.
std::int32_t halfTable(std::int32_t last) {
    return last / 2;
}

// The entry of (x, y) as the hue step works it out, with one std::acos.
std::int32_t plainEntry(double x, double y, std::int32_t last) {
    return tableIndex(std::min(hueTurns(x, y), 1.0) * double(last), last);
}

} // namespace

std::size_t HueBoundaries::cosineCount(std::int32_t last) {
    return std::size_t(halfTable(last)) + 3;
}

std::size_t HueBoundaries::bucketCount(std::int32_t last) {
    // About four buckets per entry, so that most buckets hold at most one boundary.
    return std::size_t(std::min<std::int64_t>(4 * (std::int64_t(last) + 1), 65536));
}

HueBoundaries::HueBoundaries(std::int32_t last, double* cosines, std::uint16_t* firstEntries)
    : cosines_(cosines), firstEntries_(firstEntries), last_(last), buckets_(std::int32_t(bucketCount(last))),
      halfBuckets_(0.5 * double(bucketCount(last))) {
    const std::int32_t half = halfTable(last);
    for (std::int32_t k = 0; k <= half; ++k) {
        cosines[k] = std::cos(kTwoPi * double(k) / double(last));
    }
    cosines[half + 1] = -1.0;
    cosines[half + 2] = -std::numeric_limits<double>::infinity();
    // Bucket b holds the y with ⌊(y + 1)·buckets/2⌋ = b; its first entry is the one of a y a little above its
    // top, the largest k with cosines[k] >= that y, so that no y of the bucket lies above its boundary.
    std::int32_t k = 0;
    for (std::int32_t b = buckets_ - 1; b >= 0; --b) {
        const double top = -1.0 + double(b + 1) / halfBuckets_ + 1e-9;
        while (k + 1 <= half + 1 && cosines[k + 1] >= top) {
            ++k;
        }
        firstEntries[b] = std::uint16_t(k);
    }
}

std::int32_t HueBoundaries::entry(double x, double y) const {
    // Also catches NaN: the hue step clamps y into [-1, 1], and ±1 are boundaries.
    if (!(y > -1.0 + kBoundaryMargin && y < 1.0 - kBoundaryMargin)) {
        return plainEntry(x, y, last_);
    }
    const std::int32_t bucket = std::min(std::int32_t((y + 1.0) * halfBuckets_), buckets_ - 1);
    // k: the number of boundaries past the top of the circle whose cosine y lies at or below.
    std::int32_t k = firstEntries_[bucket];
    k += y <= cosines_[k + 1] ? 1 : 0;
    while (y <= cosines_[k + 1]) {
        ++k;
    }
    if (!(cosines_[k] - y > kBoundaryMargin && y - cosines_[k + 1] > kBoundaryMargin)) {
        return plainEntry(x, y, last_);
    }
    // The angle lies strictly inside (2πk/last, 2π(k+1)/last): the hue's scaled value inside (k, k + 1), or
    // for a negative x inside (last - k - 1, last - k).
    return x < 0.0 ? last_ - k - 1 : k;
}

void hueTableEntries(const HueBoundaries& boundaries, const double* x, const double* y, std::int32_t count,
                     std::int32_t* entries) {
    for (std::int32_t i = 0; i < count; ++i) {
        entries[i] = boundaries.entry(x[i], y[i]);
    }
}

} // namespace korvane::absolute

// hueTableEntries' comparisons, compiled once per instruction set; Highway picks the widest the processor
// has.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/HueEntries.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HueEntries.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// For each direction: the entry its bucket and one comparison give (whole), and whether y lies far enough
// inside that entry's boundaries for it to be the one std::acos gives (sure, 1 or 0). A lane whose y lies
// past a second boundary of its bucket, or near one, is not sure.
template <class D>
void entryLanes(D d, const double* x, const double* y, const double* cosines, const std::int32_t* firstEntries,
                double halfBuckets, std::int32_t buckets, std::int32_t last, double* wholes, double* sure) {
    const hn::RebindToSigned<D> di;
    const hn::Rebind<std::int32_t, D> d32;
    const auto xs = hn::LoadU(d, x);
    const auto ys = hn::LoadU(d, y);
    const auto margin = hn::Set(d, kBoundaryMargin);
    // Also false for NaN; such lanes read bucket 0 and are not sure.
    const auto inRange =
        hn::And(hn::Gt(ys, hn::Set(d, -1.0 + kBoundaryMargin)), hn::Lt(ys, hn::Set(d, 1.0 - kBoundaryMargin)));
    const auto safeY = hn::IfThenElseZero(inRange, ys);
    const auto bucket = hn::Min(hn::Floor(hn::Mul(hn::Add(safeY, hn::Set(d, 1.0)), hn::Set(d, halfBuckets))),
                                hn::Set(d, double(buckets - 1)));
    const auto first = hn::PromoteTo(di, hn::GatherIndex(d32, firstEntries, hn::DemoteTo(d32, bucket)));
    const auto oneIndex = hn::Set(di, 1);
    const auto below = hn::Le(ys, hn::GatherIndex(d, cosines, hn::Add(first, oneIndex)));
    const auto k = hn::IfThenElse(hn::RebindMask(di, below), hn::Add(first, oneIndex), first);
    const auto upper = hn::GatherIndex(d, cosines, k);
    const auto lower = hn::GatherIndex(d, cosines, hn::Add(k, oneIndex));
    const auto inside = hn::And(hn::Gt(hn::Sub(upper, ys), margin), hn::Gt(hn::Sub(ys, lower), margin));
    const auto whole = hn::ConvertTo(d, k);
    // A negative x: the entry counted from the other end (last - k - 1).
    const auto entry = hn::IfThenElse(hn::Lt(xs, hn::Zero(d)), hn::Sub(hn::Set(d, double(last - 1)), whole), whole);
    hn::StoreU(entry, d, wholes);
    hn::StoreU(hn::IfThenElseZero(hn::And(inRange, inside), hn::Set(d, 1.0)), d, sure);
}

void hueEntryLanes(const double* x, const double* y, std::int32_t count, const double* cosines,
                   const std::int32_t* firstEntries, double halfBuckets, std::int32_t buckets, std::int32_t last,
                   double* wholes, double* sure) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        entryLanes(d, x + i, y + i, cosines, firstEntries, halfBuckets, buckets, last, wholes + i, sure + i);
    });
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(hueEntryLanes);


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

HueBoundaries::HueBoundaries(std::int32_t last, double* cosines, std::int32_t* firstEntries)
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
        firstEntries[b] = k;
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
    double wholes[kRunPixels];
    double sure[kRunPixels];
    for (std::int32_t start = 0; start < count; start += kRunPixels) {
        const std::int32_t n = std::min(kRunPixels, count - start);
        HWY_DYNAMIC_DISPATCH(hueEntryLanes)(x + start, y + start, n, boundaries.cosines_, boundaries.firstEntries_,
                                            boundaries.halfBuckets_, boundaries.buckets_, boundaries.last_,
                                            wholes, sure);
        for (std::int32_t i = 0; i < n; ++i) {
            entries[start + i] =
                sure[i] != 0.0 ? std::int32_t(wholes[i]) : boundaries.entry(x[start + i], y[start + i]);
        }
    }
}

} // namespace korvane::absolute
#endif

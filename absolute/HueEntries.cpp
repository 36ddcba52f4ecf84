// hueTableEntries, compiled once per instruction set; Highway picks the widest the processor has.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/HueEntries.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HueEntries.h"

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// For each direction: the entry as the lanes' hue gives it (whole), and whether that hue lies far enough
// from every entry boundary, and from the ends, for the entry to be the one std::acos gives (sure, 1 or 0).
template <class D>
void entryLanes(D d, const double* x, const double* y, double max, double* wholes, double* sure) {
    const auto xs = hn::LoadU(d, x);
    const auto ys = hn::LoadU(d, y);
    const auto zero = hn::Zero(d);
    const auto one = hn::Set(d, 1.0);
    // hueTurns with the lanes' inverse cosine.
    const auto cosine = hn::Min(hn::Max(ys, hn::Set(d, -1.0)), one);
    auto h = hn::Mul(hn::Acos(d, cosine), hn::Set(d, 1.0 / kTwoPi));
    h = hn::IfThenElse(hn::Lt(xs, zero), hn::Sub(one, h), h);
    h = hn::IfThenElse(hn::Lt(h, zero), hn::Add(h, one), h);
    const auto maxima = hn::Set(d, max);
    const auto scaled = hn::Mul(hn::Min(h, one), maxima);
    const auto whole = hn::Floor(scaled);
    const auto fraction = hn::Sub(scaled, whole);
    const auto margin = hn::Set(d, kEntryMargin);
    auto isSure = hn::And(hn::Ge(scaled, zero), hn::Le(scaled, maxima));
    isSure = hn::And(isSure, hn::And(hn::Gt(fraction, margin), hn::Lt(fraction, hn::Sub(one, margin))));
    // Min and Max would turn a NaN into a bound: such lanes go the exact way.
    isSure = hn::And(isSure, hn::And(hn::Eq(xs, xs), hn::Eq(ys, ys)));
    hn::StoreU(whole, d, wholes);
    hn::StoreU(hn::IfThenElseZero(isSure, one), d, sure);
}

void hueEntryLanes(const double* x, const double* y, std::int32_t count, double max, double* wholes,
                   double* sure) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        entryLanes(d, x + i, y + i, max, wholes + i, sure + i);
    });
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(hueEntryLanes);

void hueTableEntries(const double* x, const double* y, std::int32_t count, double max, std::int32_t last,
                     std::int32_t* entries) {
    double wholes[kRunPixels];
    double sure[kRunPixels];
    for (std::int32_t start = 0; start < count; start += kRunPixels) {
        const std::int32_t n = std::min(kRunPixels, count - start);
        HWY_DYNAMIC_DISPATCH(hueEntryLanes)(x + start, y + start, n, max, wholes, sure);
        for (std::int32_t i = 0; i < n; ++i) {
            entries[start + i] =
                sure[i] != 0.0 ? std::int32_t(wholes[i])
                               : tableIndex(std::min(hueTurns(x[start + i], y[start + i]), 1.0) * max, last);
        }
    }
}

} // namespace korvane::absolute
#endif

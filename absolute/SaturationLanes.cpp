// saturationParts and applySaturation, compiled once per instruction set; Highway picks the widest the
// processor has. Built without contraction into fused multiply-adds.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/SaturationLanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/CurveSteps.h"
#include "absolute/SaturationLanes.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// std::min(a, b): b where b < a, else a (so a NaN in b is never picked, a NaN in a always is).
template <class V>
V minimumAsStd(V a, V b) {
    return hn::IfThenElse(hn::Lt(b, a), b, a);
}

template <class D>
void partsOfLanes(D d, const double* red, const double* green, const double* blue, std::int32_t i,
                  SaturationParts& parts) {
    const auto r = hn::LoadU(d, red + i);
    const auto g = hn::LoadU(d, green + i);
    const auto b = hn::LoadU(d, blue + i);
    const auto zero = hn::Zero(d);
    const auto mean = hn::Mul(hn::Add(hn::Add(r, g), b), hn::Set(d, kThird));
    auto dr = hn::Sub(r, mean);
    auto dg = hn::Sub(g, mean);
    auto db = hn::Sub(b, mean);
    const auto length = hn::Sqrt(hn::Add(hn::Add(hn::Mul(dr, dr), hn::Mul(dg, dg)), hn::Mul(db, db)));
    const auto positive = hn::Gt(length, zero);
    dr = hn::IfThenElse(positive, hn::Div(dr, length), dr);
    dg = hn::IfThenElse(positive, hn::Div(dg, length), dg);
    db = hn::IfThenElse(positive, hn::Div(db, length), db);
    // std::min({a, b, c}) keeps the first of equal values and compares each next one against the best.
    const auto lowest = minimumAsStd(minimumAsStd(dr, dg), db);
    const auto changes = hn::And(hn::Ne(mean, zero), hn::Lt(lowest, zero));
    const auto darkest = minimumAsStd(minimumAsStd(r, g), b);
    hn::StoreU(mean, d, parts.mean + i);
    hn::StoreU(dr, d, parts.dr + i);
    hn::StoreU(dg, d, parts.dg + i);
    hn::StoreU(db, d, parts.db + i);
    hn::StoreU(lowest, d, parts.lowest + i);
    hn::StoreU(hn::Div(hn::Sub(mean, darkest), mean), d, parts.saturation + i);
    hn::StoreU(hn::IfThenElseZero(changes, hn::Set(d, 1.0)), d, parts.changes + i);
}

void saturationParts(const double* red, const double* green, const double* blue, std::int32_t count,
                     SaturationParts& parts) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(
        count, [&](auto d, std::int32_t i) HWY_ATTR { partsOfLanes(d, red, green, blue, i, parts); });
}

template <class D>
void applyToLanes(D d, const SaturationParts& parts, const double* targets, std::int32_t i, double* red,
                  double* green, double* blue) {
    const auto changes = hn::Ne(hn::LoadU(d, parts.changes + i), hn::Zero(d));
    const auto mean = hn::LoadU(d, parts.mean + i);
    const auto t = hn::Mul(hn::Neg(hn::Div(mean, hn::LoadU(d, parts.lowest + i))), hn::LoadU(d, targets + i));
    const auto r = hn::Add(mean, hn::Mul(t, hn::LoadU(d, parts.dr + i)));
    const auto g = hn::Add(mean, hn::Mul(t, hn::LoadU(d, parts.dg + i)));
    const auto b = hn::Add(mean, hn::Mul(t, hn::LoadU(d, parts.db + i)));
    hn::StoreU(hn::IfThenElse(changes, r, hn::LoadU(d, red + i)), d, red + i);
    hn::StoreU(hn::IfThenElse(changes, g, hn::LoadU(d, green + i)), d, green + i);
    hn::StoreU(hn::IfThenElse(changes, b, hn::LoadU(d, blue + i)), d, blue + i);
}

void applySaturation(const SaturationParts& parts, const double* targets, std::int32_t count, double* red,
                     double* green, double* blue) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        applyToLanes(d, parts, targets, i, red, green, blue);
    });
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(saturationParts);
HWY_EXPORT(applySaturation);

void saturationParts(const double* red, const double* green, const double* blue, std::int32_t count,
                     SaturationParts& parts) {
    HWY_DYNAMIC_DISPATCH(saturationParts)(red, green, blue, count, parts);
}

void applySaturation(const SaturationParts& parts, const double* targets, std::int32_t count, double* red,
                     double* green, double* blue) {
    HWY_DYNAMIC_DISPATCH(applySaturation)(parts, targets, count, red, green, blue);
}

} // namespace korvane::absolute
#endif

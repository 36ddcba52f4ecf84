// brightnessMeans and applyBrightness, compiled once per instruction set; Highway picks the widest the
// processor has. Built without contraction into fused multiply-adds.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/BrightnessLanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/BrightnessLanes.h"
#include "absolute/CurveSteps.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
void meanLanes(D d, const double* red, const double* green, const double* blue, std::int32_t i, double max,
               double* means) {
    const auto mean =
        hn::Mul(hn::Add(hn::Add(hn::LoadU(d, red + i), hn::LoadU(d, green + i)), hn::LoadU(d, blue + i)),
                hn::Set(d, kThird));
    // std::clamp(v, lo, hi): lo where v < lo, else hi where hi < v, else v (a NaN stays).
    const auto low = hn::Zero(d);
    const auto high = hn::Set(d, max);
    const auto clamped = hn::IfThenElse(hn::Lt(mean, low), low, hn::IfThenElse(hn::Lt(high, mean), high, mean));
    hn::StoreU(clamped, d, means + i);
}

void brightnessMeans(const double* red, const double* green, const double* blue, std::int32_t count, double max,
                     double* means) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        meanLanes(d, red, green, blue, i, max, means);
    });
}

template <class D>
void scaleLanes(D d, const double* means, const double* curveValues, std::int32_t i, double* red, double* green,
                double* blue) {
    const auto mean = hn::LoadU(d, means + i);
    const auto value = hn::LoadU(d, curveValues + i);
    // A NaN mean divides, as per pixel (Ne would be false for it: it compares ordered).
    const auto f = hn::IfThenElse(hn::Not(hn::Eq(mean, hn::Zero(d))), hn::Div(value, mean), value);
    hn::StoreU(hn::Mul(hn::LoadU(d, red + i), f), d, red + i);
    hn::StoreU(hn::Mul(hn::LoadU(d, green + i), f), d, green + i);
    hn::StoreU(hn::Mul(hn::LoadU(d, blue + i), f), d, blue + i);
}

void applyBrightness(const double* means, const double* curveValues, std::int32_t count, double* red,
                     double* green, double* blue) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        scaleLanes(d, means, curveValues, i, red, green, blue);
    });
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(brightnessMeans);
HWY_EXPORT(applyBrightness);

void brightnessMeans(const double* red, const double* green, const double* blue, std::int32_t count, double max,
                     double* means) {
    HWY_DYNAMIC_DISPATCH(brightnessMeans)(red, green, blue, count, max, means);
}

void applyBrightness(const double* means, const double* curveValues, std::int32_t count, double* red,
                     double* green, double* blue) {
    HWY_DYNAMIC_DISPATCH(applyBrightness)(means, curveValues, count, red, green, blue);
}

} // namespace korvane::absolute
#endif

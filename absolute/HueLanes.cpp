// hueDirections and applyHueTurns, compiled once per instruction set; Highway picks the widest the
// processor has. Built without contraction into fused multiply-adds.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/HueLanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/CurveSteps.h"
#include "absolute/HueLanes.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
void directionLanes(D d, const double* red, const double* green, const double* blue, std::int32_t i,
                    double* xs, double* ys, double* lengths) {
    const auto r = hn::LoadU(d, red + i);
    const auto g = hn::LoadU(d, green + i);
    const auto b = hn::LoadU(d, blue + i);
    const auto hueX = hn::Set(d, kHueX);
    const auto x = hn::Sub(hn::Mul(hueX, r), hn::Mul(hueX, g));
    const auto y =
        hn::Sub(hn::Mul(hn::Set(d, kHueYRedGreen), hn::Add(r, g)), hn::Mul(hn::Set(d, kHueYBlue), b));
    const auto c2 = hn::Add(hn::Mul(x, x), hn::Mul(y, y));
    const auto grey = hn::Eq(c2, hn::Zero(d));
    const auto c = hn::Sqrt(c2);
    hn::StoreU(hn::IfThenZeroElse(grey, c), d, lengths + i);
    hn::StoreU(hn::IfThenZeroElse(grey, hn::Div(x, c)), d, xs + i);
    hn::StoreU(hn::IfThenZeroElse(grey, hn::Div(y, c)), d, ys + i);
}

void hueDirections(const double* red, const double* green, const double* blue, std::int32_t count, double* x,
                   double* y, double* lengths) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        directionLanes(d, red, green, blue, i, x, y, lengths);
    });
}

template <class D>
void turnLanes(D d, const double* lengths, const double* cosines, const double* sines, std::int32_t i,
               double* red, double* green, double* blue) {
    const auto c = hn::LoadU(d, lengths + i);
    // Grey stays exactly as it is: rebuilding it through the single-precision grey axis would move it.
    const auto turned = hn::Not(hn::Eq(c, hn::Zero(d))); // a NaN length is turned, as per pixel
    const auto r = hn::LoadU(d, red + i);
    const auto g = hn::LoadU(d, green + i);
    const auto b = hn::LoadU(d, blue + i);
    const auto yRotated = hn::Mul(c, hn::LoadU(d, cosines + i));
    const auto xRotated = hn::Mul(c, hn::LoadU(d, sines + i));
    const auto greyAxis = hn::Set(d, kGreyAxis);
    const auto m = hn::Mul(hn::Mul(hn::Add(hn::Add(r, g), b), greyAxis), greyAxis);
    const auto yPart = hn::Mul(hn::Set(d, kHueYRedGreen), yRotated);
    const auto xPart = hn::Mul(hn::Set(d, kHueX), xRotated);
    hn::StoreU(hn::IfThenElse(turned, hn::Add(hn::Add(m, yPart), xPart), r), d, red + i);
    hn::StoreU(hn::IfThenElse(turned, hn::Sub(hn::Add(m, yPart), xPart), g), d, green + i);
    hn::StoreU(hn::IfThenElse(turned, hn::Sub(m, hn::Mul(hn::Set(d, kHueYBlue), yRotated)), b), d, blue + i);
}

void applyHueTurns(const double* lengths, const double* cosines, const double* sines, std::int32_t count,
                   double* red, double* green, double* blue) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, [&](auto d, std::int32_t i) HWY_ATTR {
        turnLanes(d, lengths, cosines, sines, i, red, green, blue);
    });
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(hueDirections);
HWY_EXPORT(applyHueTurns);

void hueDirections(const double* red, const double* green, const double* blue, std::int32_t count, double* x,
                   double* y, double* lengths) {
    HWY_DYNAMIC_DISPATCH(hueDirections)(red, green, blue, count, x, y, lengths);
}

void applyHueTurns(const double* lengths, const double* cosines, const double* sines, std::int32_t count,
                   double* red, double* green, double* blue) {
    HWY_DYNAMIC_DISPATCH(applyHueTurns)(lengths, cosines, sines, count, red, green, blue);
}

} // namespace korvane::absolute
#endif

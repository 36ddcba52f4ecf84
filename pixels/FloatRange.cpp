// keepWithinFloatRange, compiled once per instruction set; Highway picks the widest the processor has.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/FloatRange.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "pixels/FloatRange.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <cstdint>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace korvane {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
void keepLanesWithinFloatRange(D d, double* values) {
    const auto v = hn::LoadU(d, values);
    const auto largest = hn::Set(d, double(std::numeric_limits<float>::max()));
    const auto magnitude = hn::Abs(v);
    // Comparisons with NaN are false, so NaN stays too.
    const auto beyond = hn::And(hn::Gt(magnitude, largest),
                                hn::Lt(magnitude, hn::Set(d, std::numeric_limits<double>::infinity())));
    hn::StoreU(hn::IfThenElse(beyond, hn::CopySign(largest, v), v), d, values);
}

void keepWithinFloatRange(double* values, std::int32_t count) {
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(
        count, [&](auto d, std::int32_t i) HWY_ATTR { keepLanesWithinFloatRange(d, values + i); });
}

} // namespace HWY_NAMESPACE
} // namespace korvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane {

HWY_EXPORT(keepWithinFloatRange);

void keepWithinFloatRange(double* values, std::int32_t count) {
    HWY_DYNAMIC_DISPATCH(keepWithinFloatRange)(values, count);
}

} // namespace korvane
#endif

// roundToChannelValues, compiled once per instruction set; Highway picks the widest the processor has.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/ChannelRounding.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/ChannelRounding.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"

#include <cstdint>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
void roundLanes(D d, double* values, double max) {
    const auto v = hn::LoadU(d, values);
    const auto zero = hn::Zero(d);
    const auto clamped = hn::Min(hn::Max(hn::Add(v, hn::Set(d, 0.5)), zero), hn::Set(d, max));
    const auto finite = hn::Lt(hn::Abs(v), hn::Set(d, std::numeric_limits<double>::infinity()));
    // + 0 turns a truncated -0 into the +0 the integer store gives back.
    hn::StoreU(hn::IfThenElseZero(finite, hn::Add(hn::Trunc(clamped), zero)), d, values);
}

void roundToChannelValues(double* values, std::int32_t count, double max) {
    const auto roundValues = [&](auto d, std::int32_t i) HWY_ATTR { roundLanes(d, values + i, max); };
    korvane::HWY_NAMESPACE::wholeVectorsThenTail(count, roundValues);
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(roundToChannelValues);

void roundToChannelValues(double* values, std::int32_t count, double max) {
    HWY_DYNAMIC_DISPATCH(roundToChannelValues)(values, count, max);
}

} // namespace korvane::absolute
#endif

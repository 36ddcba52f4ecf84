// "Whole vectors, then the tail": the loop every lane kernel over arrays of doubles runs. Included after
// hwy/highway.h in each target's pass of a file built with foreach_target.h (Highway's -inl.h form, whose
// guard toggles once per target).
#if defined(KORVANE_CURVES_LANE_LOOP_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KORVANE_CURVES_LANE_LOOP_INL_H_
#undef KORVANE_CURVES_LANE_LOOP_INL_H_
#else
#define KORVANE_CURVES_LANE_LOOP_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane {
namespace HWY_NAMESPACE {

// step(d, i) for i = 0, N, 2N ... while a whole vector of N = Lanes(d) doubles fits in count, then
// step(one, i) with a one-lane tag for each value left: the same operations on every value. A lambda
// given as step carries HWY_ATTR, so that it is compiled for the target too.
template <class Step>
HWY_INLINE void wholeVectorsThenTail(std::int32_t count, const Step& step) {
    namespace hn = hwy::HWY_NAMESPACE;
    const hn::ScalableTag<double> d;
    const auto lanes = static_cast<std::int32_t>(hn::Lanes(d));
    std::int32_t i = 0;
    for (; i + lanes <= count; i += lanes) {
        step(d, i);
    }
    const hn::CappedTag<double, 1> one;
    for (; i < count; ++i) {
        step(one, i);
    }
}

} // namespace HWY_NAMESPACE
} // namespace korvane
HWY_AFTER_NAMESPACE();

#endif

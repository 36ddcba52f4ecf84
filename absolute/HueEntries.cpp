// hueTableEntries, compiled once per instruction set; Highway picks the widest the processor has.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL)
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "absolute/HueEntries.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HueEntries.h"

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::absolute {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// angles[i] = acos(cosines[i]) for cosines in [-1, 1], to within a few units in the last place.
void inverseCosines(const double* cosines, double* angles, std::int32_t count) {
    const hn::ScalableTag<double> d;
    const auto lanes = static_cast<std::int32_t>(hn::Lanes(d));
    std::int32_t i = 0;
    for (; i + lanes <= count; i += lanes) {
        hn::StoreU(hn::Acos(d, hn::LoadU(d, cosines + i)), d, angles + i);
    }
    for (; i < count; ++i) {
        angles[i] = std::acos(cosines[i]);
    }
}

} // namespace HWY_NAMESPACE
} // namespace korvane::absolute
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::absolute {

HWY_EXPORT(inverseCosines);

void hueTableEntries(const double* x, const double* y, std::int32_t count, double max, std::int32_t last,
                     std::int32_t* entries) {
    double cosines[kRunPixels];
    double angles[kRunPixels];
    for (std::int32_t start = 0; start < count; start += kRunPixels) {
        const std::int32_t n = std::min(kRunPixels, count - start);
        for (std::int32_t i = 0; i < n; ++i) {
            cosines[i] = std::clamp(y[start + i], -1.0, 1.0);
        }
        HWY_DYNAMIC_DISPATCH(inverseCosines)(cosines, angles, n);
        for (std::int32_t i = 0; i < n; ++i) {
            // hueTurns with the lane's angle.
            double h = angles[i] / kTwoPi;
            if (x[start + i] < 0.0) {
                h = 1.0 - h;
            }
            if (h < 0.0) {
                h += 1.0;
            }
            double scaled = std::min(h, 1.0) * max;
            bool sure = false;
            if (scaled >= 0.0 && scaled <= max) {
                const double fraction = scaled - double(std::int32_t(scaled));
                sure = fraction > kEntryMargin && fraction < 1.0 - kEntryMargin;
            }
            if (!sure) {
                scaled = std::min(hueTurns(x[start + i], y[start + i]), 1.0) * max;
            }
            entries[start + i] = tableIndex(scaled, last);
        }
    }
}

} // namespace korvane::absolute
#endif

#pragma once
#include <cstdint>

namespace korvane::absolute {

inline constexpr std::int32_t kSaturationLanePixels = 256;

// What the saturation step works out for each pixel of a run before its table or curve is read: the
// mean, the unit direction away from grey, the lowest component of that direction, the saturation, and
// whether the pixel changes at all (not black and not grey).
struct SaturationParts {
    double mean[kSaturationLanePixels];
    double dr[kSaturationLanePixels];
    double dg[kSaturationLanePixels];
    double db[kSaturationLanePixels];
    double lowest[kSaturationLanePixels];
    double saturation[kSaturationLanePixels];
    double changes[kSaturationLanePixels]; // 1 or 0
};

// Both halves run in vector lanes with the per-pixel step's operations in its order (no fused
// multiply-adds, minimums that pick as std::min does, NaN included), so every value is the one the
// per-pixel step would compute. count <= kSaturationLanePixels.
void saturationParts(const double* red, const double* green, const double* blue, std::int32_t count,
                     SaturationParts& parts);

// red/green/blue = mean + t d with t = -(mean / lowest) target, where the pixel changes.
void applySaturation(const SaturationParts& parts, const double* targets, std::int32_t count, double* red,
                     double* green, double* blue);

} // namespace korvane::absolute

#pragma once
#include <cstdint>

namespace korvane::absolute {

// The brightness step's arithmetic at integer depths around its table reads, in vector lanes with the
// per-pixel step's operations in its order (no fused multiply-adds; a clamp that picks as std::clamp does,
// NaN included), so every value equals the per-pixel one.

// means[i] = std::clamp((red[i] + green[i] + blue[i]) * kThird, 0.0, max).
void brightnessMeans(const double* red, const double* green, const double* blue, std::int32_t count, double max,
                     double* means);

// Each colour multiplied by f = curve value / mean (by the curve value itself where the mean is 0).
void applyBrightness(const double* means, const double* curveValues, std::int32_t count, double* red,
                     double* green, double* blue);

} // namespace korvane::absolute

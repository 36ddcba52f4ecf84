#pragma once
#include <cstdint>

namespace korvane::absolute {

// The hue step's arithmetic around its table or curve reads, in vector lanes with the per-pixel step's
// operations in its order (no fused multiply-adds), so every value equals the per-pixel one.

// The chroma vector of each pixel in the hue plane as a unit direction (x, y) and a length; grey gets
// length 0 and direction (0, 0).
void hueDirections(const double* red, const double* green, const double* blue, std::int32_t count, double* x,
                   double* y, double* lengths);

// Each pixel not grey turned to the angle whose cosine and sine are given, keeping its chroma length and
// its grey component.
void applyHueTurns(const double* lengths, const double* cosines, const double* sines, std::int32_t count,
                   double* red, double* green, double* blue);

} // namespace korvane::absolute

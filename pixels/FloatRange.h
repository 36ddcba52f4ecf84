#pragma once
#include <cstdint>

namespace korvane {

// Keeps a run of computed channel values storable as floats, in place: a finite value beyond the float
// range becomes the largest float of its sign, so that the store gives no infinity; NaN and infinities
// (a source pixel passed through) stay as they are. In vector lanes, so that the store after it stays a
// plain conversion.
void keepWithinFloatRange(double* values, std::int32_t count);

} // namespace korvane

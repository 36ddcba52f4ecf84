#pragma once
#include <cstdint>

namespace korvane::absolute {

// values[i] = double(roundToChannel<Pixel>(values[i])) for an integer depth whose white is `max`: add 0.5,
// clamp to [0, max], truncate; non-finite values become 0. In vector lanes, without the per-value
// branches of the scalar store; every result is a whole number that converts to the channel type exactly.
void roundToChannelValues(double* values, std::int32_t count, double max);

} // namespace korvane::absolute

#pragma once
#include <cstdint>

namespace korvane::absolute {

// The hue table entries of unit chroma directions (x[i], y[i]): entries[i] = tableIndex(min(hueTurns(x[i],
// y[i]), 1) * max, last), exactly as one std::acos per pixel gives it. The inverse cosines are taken in
// vector lanes (Highway's, a few units in the last place); a lane whose scaled hue lies within
// kEntryMargin of a whole number, where that rounding could pick the neighbouring entry, is worked out
// again with std::acos.
void hueTableEntries(const double* x, const double* y, std::int32_t count, double max, std::int32_t last,
                     std::int32_t* entries);

// Far beyond the lanes' error on a scaled hue (a few times 1e-16 times the largest table index, 65535).
inline constexpr double kEntryMargin = 1e-7;

} // namespace korvane::absolute

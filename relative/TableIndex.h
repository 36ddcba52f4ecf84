#pragma once
// How a source pixel's properties become entries of the curve tables of the integer depths (max + 1
// entries), shared by the run steps and the channel table pass so that both read the same entry.
#include "pixels/ColourProperties.h"

#include <algorithm>
#include <cstdint>

namespace korvane::relative {

// Entry of a table of last + 1 entries for an integer source value: its integer part, the last entry for
// values beyond the table (16-bit channels above 32768), entry 0 for anything below 0 or NaN.
inline std::int32_t tableIndex(double v, std::int32_t last) {
    if (!(v > 0.0)) {
        return 0;
    }
    return v < double(last) ? std::int32_t(v) : last;
}

// brightness() of the colour properties, here where the per-pixel loops can inline it.
inline double meanOf(double red, double green, double blue) {
    return (red + green + blue) * 0.3333333333333333;
}

// Saturation and hue in channel units (0..max), as the tables read them; grey has no hue and reads 0.
inline double saturationSource(double red, double green, double blue, double max) {
    const double s = saturation(red, green, blue) * max;
    return s > 0.0 ? std::min(s, max) : 0.0;
}

inline double hueSource(double red, double green, double blue, double max) {
    const double h = hue(red, green, blue);
    return h > 0.0 ? std::min(h * max, max) : 0.0;
}

} // namespace korvane::relative

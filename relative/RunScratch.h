#pragma once
// The scratch of one run of the Relative render's main pass, shared by the files of the filter.
#include "relative/RgbaCurvesFilter.h"

namespace korvane::relative {

// One run of the main pass: the source properties, the value the histogram and the node range view read,
// and the amount of every property.
template <class Pixel>
struct RgbaCurvesFilter<Pixel>::RunScratch {
    std::int32_t count = 0;
    double source[kSourceCount][kRunPixels];
    double histogramValue[kRunPixels];
    double amount[kPropertyCount][kRunPixels];
    // Cosine and sine of the hue amount's angle.
    double hueCosine[kRunPixels];
    double hueSine[kRunPixels];
};

} // namespace korvane::relative

#pragma once
#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane::relative {

// One pixel in the depth's units, alpha first.
struct CompositePixel {
    double alpha;
    double red;
    double green;
    double blue;
};

// The blurred accumulation of one pixel: w x alpha, w x alpha x colour / max per colour, and the blurred
// weight t.
struct BlurredAccumulation {
    double alpha;
    double red;
    double green;
    double blue;
    double weight;
};

// Mixes the main pass's pixel towards the weighted blur by the pixel's own weight w, in premultiplied
// colours, then un-premultiplies: a colour brighter than the new alpha raises the alpha to it. Returns false
// (leave the pixel as the main pass wrote it) when there is no blurred weight, or when the mix is not
// representable: a blurred weight that is positive but tiny divides the sums into values that overflow the
// store. `largest` is the largest finite value the depth's store takes.
inline bool compositePostBlur(const BlurredAccumulation& blurred, double w, double max, double largest,
                              CompositePixel& pixel) {
    const double t = blurred.weight;
    if (!(t > 0.0)) {
        return false;
    }
    const double a = pixel.alpha;
    double alpha = (blurred.alpha / t - a) * w + a;
    const auto mix = [&](double sum, double colour) {
        const double premultiplied = colour * a / max;
        return (sum / t - premultiplied) * w + premultiplied;
    };
    double red = mix(blurred.red, pixel.red);
    double green = mix(blurred.green, pixel.green);
    double blue = mix(blurred.blue, pixel.blue);
    const double brightest = std::max({red, green, blue});
    if (alpha < brightest) {
        alpha = brightest;
        if (brightest >= max || brightest == 0.0) {
            alpha = max;
        } else {
            const double f = max / brightest;
            red *= f;
            green *= f;
            blue *= f;
        }
    } else if (alpha > 0.0) {
        const double f = max / alpha;
        red *= f;
        green *= f;
        blue *= f;
    }
    for (const double v : {alpha, red, green, blue}) {
        if (!(std::fabs(v) <= largest)) {
            return false;
        }
    }
    pixel = {alpha, red, green, blue};
    return true;
}

} // namespace korvane::relative

#pragma once
// The per-pixel changes of the Relative render, each over a run of pixels held as doubles in the depth's
// units (max 255, 32768 or 1). A band walks its rows in runs so that the choice of steps, fixed for the pass,
// is made once per run; the change kind is a template argument.
#include "curves/HuePlane.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace korvane::relative {

inline constexpr std::int32_t kRunPixels = 64;

// 1/sqrt(3) in single precision, squared: the grey component of the rotated colour.
inline constexpr double kGreyAxis = 0.5773502588272095;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Luma weights of the saturation change.
inline constexpr double kLumaRed = 0.2126;
inline constexpr double kLumaGreen = 0.7152;
inline constexpr double kLumaBlue = 0.0722;

// The pixels of one run: the colour being changed and the amount of each property.
struct ColourRun {
    std::int32_t count = 0;
    double alpha[kRunPixels];
    double red[kRunPixels];
    double green[kRunPixels];
    double blue[kRunPixels];
};

// Alpha: A (d + 1) or A + d max, then clamped to [0, max] so that later steps see a valid alpha (a NaN
// alpha stays NaN and is written as 0 at integer depths).
template <bool Add>
void alphaChange(double* alpha, const double* amount, std::int32_t count, double max) {
    for (std::int32_t i = 0; i < count; ++i) {
        const double a = Add ? alpha[i] + amount[i] * max : (amount[i] + 1.0) * alpha[i];
        alpha[i] = std::clamp(a, 0.0, max);
    }
}

// A colour channel: c (d + 1) or c + d max, not clamped until it is written.
template <bool Add>
void channelChange(double* channel, const double* amount, std::int32_t count, double max) {
    for (std::int32_t i = 0; i < count; ++i) {
        channel[i] = Add ? channel[i] + amount[i] * max : channel[i] * (amount[i] + 1.0);
    }
}

// Hue: the colour's chroma turns about the grey axis by the amount d in full turns; always added. With the
// chroma (x, y) in the hue plane at length L and hue h (cos 2 pi h = y / L, sin 2 pi h = x / L), the turned
// chroma is L (cos, sin) of 2 pi (h + d), which the angle sum gives from the cosine c and sine s of 2 pi d as
// (y c - x s, x c + y s): no inverse cosine, and no trigonometry at all where c and s come from tables. A
// grey colour has no chroma to turn and stays exactly as it is (rebuilding it from the single-precision grey
// axis would move it).
inline void hueChange(ColourRun& run, const double* cosine, const double* sine) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double r = run.red[i];
        const double g = run.green[i];
        const double b = run.blue[i];
        const double y = (r + g) * kHueYRedGreen - b * kHueYBlue;
        const double x = r * kHueX - g * kHueX;
        if (x == 0.0 && y == 0.0) {
            continue;
        }
        const double m = (r + g + b) * kGreyAxis * kGreyAxis;
        const double turnedY = y * cosine[i] - x * sine[i];
        const double turnedX = x * cosine[i] + y * sine[i];
        run.red[i] = m + kHueYRedGreen * turnedY + kHueX * turnedX;
        run.green[i] = m + kHueYRedGreen * turnedY - kHueX * turnedX;
        run.blue[i] = m - kHueYBlue * turnedY;
    }
}

// Saturation: the deviation from the luma-weighted mean m is scaled so that the saturation
// s = -(lowest unit deviation / m) x length = -lowest deviation / m becomes s (d + 1) or s + d, clamped to
// [0, 1]: the deviation grows by target / s = target x m / -lowest, which needs no square root. Where the
// saturation is not defined (m = 0, or no channel below the mean) the pixel stays and its amount becomes 0
// for the matte. A grey pixel has no chroma: the weights do not sum to exactly 1 in doubles, so its
// deviations are rounding noise, and scaling that noise to a target saturation turned greys darker (8-bit
// 144 under an addition of 0.3 became 101). It stays as it is, with amount 0.
template <bool Add>
void saturationChange(ColourRun& run, double* amount) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double r = run.red[i];
        const double g = run.green[i];
        const double b = run.blue[i];
        const double m = kLumaRed * r + kLumaGreen * g + kLumaBlue * b;
        const double dr = r - m;
        const double dg = g - m;
        const double db = b - m;
        const double lowest = std::min({dr, dg, db});
        if (!(m != 0.0 && lowest < 0.0) || (r == g && g == b)) {
            amount[i] = 0.0;
            continue;
        }
        const double s = -lowest / m;
        const double target = std::clamp(Add ? s + amount[i] : (amount[i] + 1.0) * s, 0.0, 1.0);
        const double scale = target * m / -lowest;
        run.red[i] = m + scale * dr;
        run.green[i] = m + scale * dg;
        run.blue[i] = m + scale * db;
    }
}

// Brightness: the colour is scaled so that its mean m becomes m (d + 1) or m + d max; a colour with mean 0
// is scaled by the new mean itself, so black stays black in both kinds.
template <bool Add>
void brightnessChange(ColourRun& run, const double* amount, double max) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double m = (run.red[i] + run.green[i] + run.blue[i]) / 3.0;
        const double target = Add ? m + amount[i] * max : (amount[i] + 1.0) * m;
        const double ratio = m != 0.0 ? target / m : target;
        run.red[i] *= ratio;
        run.green[i] *= ratio;
        run.blue[i] *= ratio;
    }
}

// Post-blur weight from the raw curve value (no factor): |v|, or 1 - |v| (not below 0) when the factor is
// negative, so that a negative factor blurs where the curve is low.
inline double postBlurWeight(double curveValue, bool inverted) {
    double w = std::fabs(curveValue);
    if (inverted) {
        w = 1.0 - w;
    }
    return w > 0.0 ? w : 0.0;
}

// One amount as the matte sees it: |d| in [0, 1]; NaN counts as 0.
inline double matteAmount(double d) {
    const double a = std::fabs(d);
    return a > 0.0 ? std::min(a, 1.0) : 0.0;
}

} // namespace korvane::relative

#pragma once
#include "absolute/BrightnessLanes.h"
#include "absolute/ChannelRounding.h"
#include "absolute/HueEntries.h"
#include "absolute/HueLanes.h"
#include "absolute/HueTurn.h"
#include "absolute/SaturationLanes.h"
#include "curves/HuePlane.h"
#include "pixels/ChannelStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvane::absolute {

// The per-pixel steps of the Absolute render, each over a run of pixels held as doubles in the depth's
// units. A band walks its rows in runs of kRunPixels so that the choice of steps (fixed for the pass) is made
// once per run, never per pixel. Pixel is the depth's pixel type, Lookup a TableLookup (integer depths) or a
// CurveLookup (float).

inline constexpr std::int32_t kRunPixels = 256;

struct PixelRun {
    std::int32_t count = 0;
    double red[kRunPixels];
    double green[kRunPixels];
    double blue[kRunPixels];
    double alpha[kRunPixels];
};

// 1/sqrt(3) rounded to single precision: the grey axis of the hue step.
inline constexpr double kGreyAxis = double(0.57735026918962576f);
inline constexpr double kThird = 0.3333333333333333;

// Hue in turns of a unit chroma direction (x, y) of the hue plane: 0 yellow, 1/6 red, 1/2 blue.
inline double hueTurns(double x, double y) {
    // |y| <= 1 up to rounding; acos must stay inside its domain.
    double h = std::acos(std::clamp(y, -1.0, 1.0)) / kTwoPi;
    if (x < 0.0) {
        h = 1.0 - h;
    }
    if (h < 0.0) {
        h += 1.0;
    }
    return h;
}

// A curve on one channel: v = L(v).
template <class Lookup>
void curveStep(const Lookup& lookup, double* values, std::int32_t count) {
    lookup.atChannels(values, count);
}

// The hue curve turns the chroma vector about the grey axis: the hue h becomes L(h), the chroma length and
// the grey component stay. Turn is a HueTableTurn (integer depths) or a HueCurveTurn (float).
template <class Pixel, class Turn>
void hueStep(const Turn& turn, PixelRun& run) {
    // Per pixel: the chroma vector (x, y) = (kHueX (r - g) as two products, kHueYRedGreen (r + g) -
    // kHueYBlue b) of length c; grey (c = 0) has no hue and stays exactly as it is. Otherwise the hue of
    // (x, y) / c is turned by the curve and the colour rebuilt from the grey component and the turned
    // vector. The arithmetic runs in vector lanes around the table or curve reads.
    double xs[kRunPixels];
    double ys[kRunPixels];
    double lengths[kRunPixels];
    hueDirections(run.red, run.green, run.blue, run.count, xs, ys, lengths);
    double cosines[kRunPixels];
    double sines[kRunPixels];
    if constexpr (Pixel::kIsFloat) {
        for (std::int32_t i = 0; i < run.count; ++i) {
            const HueTurn rotation = lengths[i] == 0.0 ? HueTurn{1.0, 0.0} : turn.at(hueTurns(xs[i], ys[i]));
            cosines[i] = rotation.cosine;
            sines[i] = rotation.sine;
        }
    } else {
        std::int32_t entries[kRunPixels];
        if (turn.boundaries() != nullptr) {
            hueTableEntries(*turn.boundaries(), xs, ys, run.count, entries);
        } else {
            for (std::int32_t i = 0; i < run.count; ++i) {
                entries[i] = tableIndex(std::min(hueTurns(xs[i], ys[i]), 1.0) * turn.max(), turn.last());
            }
        }
        for (std::int32_t i = 0; i < run.count; ++i) {
            const HueTurn rotation = turn.ofEntry(entries[i]);
            cosines[i] = rotation.cosine;
            sines[i] = rotation.sine;
        }
    }
    applyHueTurns(lengths, cosines, sines, run.count, run.red, run.green, run.blue);
}

// The saturation curve scales the chroma vector so that the saturation s = (mean - min) / mean becomes L(s).
// Per pixel: d = (colour - mean) / |colour - mean|; black and grey stay; otherwise s = (mean - min of the
// channels) / mean (equal to -(lowest of d / mean) x length, but exact: a colour with a channel at 0 has
// saturation 1 and reads the last table entry, not the one before), and colour = mean + t d with
// t = -(mean / lowest of d) L(s). The arithmetic runs in vector lanes around the table or curve reads.
template <class Pixel, class Lookup>
void saturationStep(const Lookup& lookup, PixelRun& run) {
    static_assert(kSaturationLanePixels == kRunPixels);
    SaturationParts parts;
    saturationParts(run.red, run.green, run.blue, run.count, parts);
    double targets[kRunPixels];
    if constexpr (!Pixel::kIsFloat) {
        // Without a branch per pixel: the targets of pixels that do not change are never read.
        for (std::int32_t i = 0; i < run.count; ++i) {
            targets[i] = lookup.atUnit(std::clamp(parts.saturation[i], 0.0, 1.0));
        }
        applySaturation(parts, targets, run.count, run.red, run.green, run.blue);
        return;
    }
    for (std::int32_t i = 0; i < run.count; ++i) {
        if (parts.changes[i] == 0.0) {
            targets[i] = 0.0;
            continue;
        }
        targets[i] = std::clamp(lookup.atUnit(parts.saturation[i]), 0.0, 1.0);
    }
    applySaturation(parts, targets, run.count, run.red, run.green, run.blue);
}

// The brightness curve multiplies the colour so that its mean becomes L(mean); black stays black.
template <class Pixel, class Lookup>
void brightnessStep(const Lookup& lookup, PixelRun& run) {
    if constexpr (!Pixel::kIsFloat) {
        // The means and the scaling in vector lanes around the table reads.
        double means[kRunPixels];
        double values[kRunPixels];
        brightnessMeans(run.red, run.green, run.blue, run.count, Pixel::kMax, means);
        for (std::int32_t i = 0; i < run.count; ++i) {
            values[i] = lookup.atChannel(means[i]);
        }
        applyBrightness(means, values, run.count, run.red, run.green, run.blue);
        return;
    }
    for (std::int32_t i = 0; i < run.count; ++i) {
        double mean = (run.red[i] + run.green[i] + run.blue[i]) * kThird;
        if constexpr (!Pixel::kIsFloat) {
            mean = std::clamp(mean, 0.0, Pixel::kMax);
        }
        double f = lookup.atChannel(mean);
        if (mean != 0.0) {
            f /= mean;
        }
        run.red[i] *= f;
        run.green[i] *= f;
        run.blue[i] *= f;
    }
}

// Inverted order at integer depths: the colour steps' results become channel values before the channel
// curves read them.
template <class Pixel>
void roundStep(PixelRun& run) {
    for (double* channel : {run.red, run.green, run.blue, run.alpha}) {
        roundToChannelValues(channel, run.count, Pixel::kMax);
    }
}

} // namespace korvane::absolute

#pragma once
#include "absolute/AbsoluteChannels.h"
#include "absolute/CurveSteps.h"
#include "pixels/ColourProperties.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvane::absolute {

enum HistogramMode : std::int32_t {
    kHistogramOff = 0,
    kHistogramChannel = 1, // input and output of the histogram channel's property
    kHistogramRgb = 2,     // output red, green and blue
};

// Counts values that lie in [low, high] into `bins` bins: bin floor((bins - 1) (v - low) / (high - low)).
class HistogramCounter {
public:
    HistogramCounter() = default;
    HistogramCounter(std::int32_t bins, double low, double high) : bins_(bins), low_(low), high_(high) {}

    // A range whose start is not below its end (a hand-edited project), or too wide for the bin arithmetic,
    // counts nothing.
    bool usable() const {
        return bins_ > 0 && low_ < high_ && std::isfinite(double(bins_ - 1) * (high_ - low_));
    }

    void count(std::int32_t* counts, double v) const {
        if (v >= low_ && v <= high_) {
            const auto bin = std::int32_t(double(bins_ - 1) * (v - low_) / (high_ - low_));
            ++counts[std::min(bin, bins_ - 1)];
        }
    }

private:
    std::int32_t bins_ = 0;
    double low_ = 0.0;
    double high_ = 1.0;
};

// Hue of the histogram: as the hue step sees it, without the cap at 1; grey has none and is never counted.
inline double histogramHue(double r, double g, double b) {
    const double x = kHueX * r - kHueX * g;
    const double y = kHueYRedGreen * (r + g) - kHueYBlue * b;
    const double c2 = x * x + y * y;
    if (c2 == 0.0) {
        return kNoHue;
    }
    const double c = std::sqrt(c2);
    return hueTurns(x / c, y / c);
}

// Counts the property of `channel` of every pixel of the run: brightness and rgb the mean, saturation and hue
// unit-free, the others their channel. Integer depths divide channel values by their maximum.
template <class Pixel>
void countChannelProperty(const HistogramCounter& counter, std::int32_t channel, const PixelRun& run,
                          std::int32_t* counts) {
    const auto countEach = [&](auto property) {
        for (std::int32_t i = 0; i < run.count; ++i) {
            counter.count(counts, property(i));
        }
    };
    const auto unit = [](double v) { return Pixel::kIsFloat ? v : v / Pixel::kMax; };
    switch (channel) {
    case kChannelSaturation:
        countEach([&](std::int32_t i) { return saturation(run.red[i], run.green[i], run.blue[i]); });
        break;
    case kChannelHue:
        countEach([&](std::int32_t i) { return histogramHue(run.red[i], run.green[i], run.blue[i]); });
        break;
    case kChannelRed:
        countEach([&](std::int32_t i) { return unit(run.red[i]); });
        break;
    case kChannelGreen:
        countEach([&](std::int32_t i) { return unit(run.green[i]); });
        break;
    case kChannelBlue:
        countEach([&](std::int32_t i) { return unit(run.blue[i]); });
        break;
    case kChannelAlpha:
        countEach([&](std::int32_t i) { return unit(run.alpha[i]); });
        break;
    default:
        countEach([&](std::int32_t i) { return unit((run.red[i] + run.green[i] + run.blue[i]) / 3.0); });
        break;
    }
}

// Counts red, green and blue of every pixel of the run into three arrays of `bins` counts.
template <class Pixel>
void countRgb(const HistogramCounter& counter, const PixelRun& run, std::int32_t* counts, std::int32_t bins) {
    const auto unit = [](double v) { return Pixel::kIsFloat ? v : v / Pixel::kMax; };
    for (std::int32_t i = 0; i < run.count; ++i) {
        counter.count(counts, unit(run.red[i]));
        counter.count(counts + bins, unit(run.green[i]));
        counter.count(counts + 2 * bins, unit(run.blue[i]));
    }
}

} // namespace korvane::absolute

// The steps of one run of the main pass: the source pixels and their properties, the amounts the curves
// give, the changes, the node range colours, the histogram counts and the post blur's accumulation.
#include "relative/RgbaCurvesFilter.h"

#include "pixels/ColourProperties.h"
#include "relative/RunScratch.h"
#include "relative/TableIndex.h"

#include <algorithm>
#include <cmath>

namespace korvane::relative {

template <class Pixel>
const Pixel* RgbaCurvesFilter<Pixel>::sourcePixels(std::int32_t y, std::int32_t x0, std::int32_t count,
                                                   Pixel* buffer) const {
    if (source_.present == 0) {
        return input_.row(y) + x0;
    }
    // As loadSource: only the source's own pixels are read; around them it is transparent black.
    const std::int64_t sy = std::int64_t(y) + input_.originY - source_.originY;
    const std::int64_t sx0 = std::int64_t(x0) + input_.originX - source_.originX;
    const std::int64_t first = std::clamp<std::int64_t>(-sx0, 0, count);
    const std::int64_t end = std::clamp<std::int64_t>(std::int64_t(source_.width) - sx0, first, count);
    std::fill_n(buffer, count, Pixel{});
    if (sy >= 0 && sy < source_.height && end > first) {
        std::copy(source_.row(std::int32_t(sy)) + sx0 + first, source_.row(std::int32_t(sy)) + sx0 + end,
                  buffer + first);
    }
    return buffer;
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::loadSource(std::int32_t y, std::int32_t x0, const ColourRun& run,
                                         RunScratch& scratch) const {
    double* red = scratch.source[kRed];
    double* green = scratch.source[kGreen];
    double* blue = scratch.source[kBlue];
    double* alpha = scratch.source[kAlpha];
    const std::int32_t count = run.count;
    if (source_.present == 0) {
        std::copy_n(run.red, count, red);
        std::copy_n(run.green, count, green);
        std::copy_n(run.blue, count, blue);
        std::copy_n(run.alpha, count, alpha);
        return;
    }
    // Only the source's own pixels are read; around them it is transparent black.
    const std::int64_t sy = std::int64_t(y) + input_.originY - source_.originY;
    const std::int64_t sx0 = std::int64_t(x0) + input_.originX - source_.originX;
    const std::int64_t first = std::clamp<std::int64_t>(-sx0, 0, count);
    const std::int64_t end = std::clamp<std::int64_t>(std::int64_t(source_.width) - sx0, first, count);
    if (sy < 0 || sy >= source_.height || end <= first) {
        for (double* channel : {red, green, blue, alpha}) {
            std::fill_n(channel, count, 0.0);
        }
        return;
    }
    for (double* channel : {red, green, blue, alpha}) {
        std::fill_n(channel, first, 0.0);
        std::fill(channel + end, channel + count, 0.0);
    }
    const Pixel* row = source_.row(std::int32_t(sy)) + sx0;
    for (std::int64_t i = first; i < end; ++i) {
        const Pixel& p = row[i];
        red[i] = double(p.red());
        green[i] = double(p.green());
        blue[i] = double(p.blue());
        alpha[i] = double(p.alpha());
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::computeSources(RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const double* red = scratch.source[kRed];
    const double* green = scratch.source[kGreen];
    const double* blue = scratch.source[kBlue];
    const std::int32_t count = scratch.count;
    if (computeSource_[kBrightness]) {
        for (std::int32_t i = 0; i < count; ++i) {
            scratch.source[kBrightness][i] = meanOf(red[i], green[i], blue[i]);
        }
    }
    // Unit-free properties index the tables like channel values; grey has no hue and reads 0.
    if (computeSource_[kSaturation]) {
        if (saturationEntries_ != nullptr) {
            // 8 bits: the entry itself, which the tables read as it is.
            for (std::int32_t i = 0; i < count; ++i) {
                scratch.source[kSaturation][i] = double(saturationEntries_->entry(
                    std::int32_t(red[i]), std::int32_t(green[i]), std::int32_t(blue[i])));
            }
        } else {
            for (std::int32_t i = 0; i < count; ++i) {
                scratch.source[kSaturation][i] = saturationSource(red[i], green[i], blue[i], max);
            }
        }
    }
    if (computeSource_[kHue]) {
        if constexpr (Pixel::kIsFloat) {
            for (std::int32_t i = 0; i < count; ++i) {
                scratch.source[kHue][i] = hueSource(red[i], green[i], blue[i], max);
            }
        } else {
            // The entry itself, which the tables read as it is.
            for (std::int32_t i = 0; i < count; ++i) {
                scratch.source[kHue][i] = double(hueEntries_.entry(red[i], green[i], blue[i]));
            }
        }
    }
    if (histogramValueNeeded_) {
        const std::int32_t property = settings_.histogramProperty;
        double* v = scratch.histogramValue;
        const double* alpha = scratch.source[kAlpha];
        switch (property) {
        case kSaturation:
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = saturation(red[i], green[i], blue[i]);
            }
            break;
        case kHue:
            // Grey keeps the no-hue marker, below every range.
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = hue(red[i], green[i], blue[i]);
            }
            break;
        case kRed:
        case kGreen:
        case kBlue:
        case kAlpha: {
            const double* channel = property == kRed     ? red
                                    : property == kGreen ? green
                                    : property == kBlue  ? blue
                                                         : alpha;
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = channel[i] / max;
            }
            break;
        }
        default:
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = meanOf(red[i], green[i], blue[i]) / max;
            }
            break;
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::computeAmounts(RunScratch& scratch) const {
    const std::int32_t count = scratch.count;
    for (std::size_t k = 0; k < kPropertyCount; ++k) {
        if (!plan_.active[k]) {
            continue;
        }
        const auto u = std::size_t(plan_.usedCurve[k]);
        const double* v = scratch.source[curves_.basedOn[u]];
        double* d = scratch.amount[k];
        // The post blur's weight is the curve's value itself.
        const double factor = k == kPostBlur ? 1.0 : factors_[k];
        if constexpr (Pixel::kIsFloat) {
            const KnotList& knots = knots_[u];
            for (std::int32_t i = 0; i < count; ++i) {
                d[i] = std::isfinite(v[i]) ? factor * knots.evaluate(v[i]) : 0.0;
            }
            if (k == kHue) {
                for (std::int32_t i = 0; i < count; ++i) {
                    const double angle = kTwoPi * d[i];
                    scratch.hueCosine[i] = std::cos(angle);
                    scratch.hueSine[i] = std::sin(angle);
                }
            }
        } else {
            const float* table = tables_[u];
            if (k == kHue) {
                for (std::int32_t i = 0; i < count; ++i) {
                    const std::int32_t j = tableIndex(v[i], tableLast_);
                    d[i] = factor * double(table[j]);
                    scratch.hueCosine[i] = hueCosine_[j];
                    scratch.hueSine[i] = hueSine_[j];
                }
            } else {
                for (std::int32_t i = 0; i < count; ++i) {
                    d[i] = factor * double(table[tableIndex(v[i], tableLast_)]);
                }
            }
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::applyChanges(ColourRun& run, RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const std::int32_t count = run.count;
    const auto& active = plan_.active;
    const auto channel = [&](std::size_t k, double* values) {
        if (active[k]) {
            addition_[k] ? channelChange<true>(values, scratch.amount[k], count, max)
                         : channelChange<false>(values, scratch.amount[k], count, max);
        }
    };
    if (active[kAlpha]) {
        addition_[kAlpha] ? alphaChange<true>(run.alpha, scratch.amount[kAlpha], count, max)
                          : alphaChange<false>(run.alpha, scratch.amount[kAlpha], count, max);
    }
    channel(kBlue, run.blue);
    channel(kGreen, run.green);
    channel(kRed, run.red);
    if (active[kHue]) {
        hueChange(run, scratch.hueCosine, scratch.hueSine);
    }
    if (active[kSaturation]) {
        addition_[kSaturation] ? saturationChange<true>(run, scratch.amount[kSaturation])
                               : saturationChange<false>(run, scratch.amount[kSaturation]);
    }
    if (active[kBrightness]) {
        addition_[kBrightness] ? brightnessChange<true>(run, scratch.amount[kBrightness], max)
                               : brightnessChange<false>(run, scratch.amount[kBrightness], max);
    }
    if (postBlurStep_) {
        const bool inverted = postBlurFactor_ < 0.0;
        double* w = scratch.amount[kPostBlur];
        for (std::int32_t i = 0; i < count; ++i) {
            w[i] = postBlurWeight(w[i], inverted);
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::nodeRangeColours(ColourRun& run, const RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const NodeRange& range = settings_.nodeRange;
    const double rise = range.node > range.left ? max / (range.node - range.left) : 0.0;
    const double fall = range.right > range.node ? max / (range.right - range.node) : 0.0;
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double v = scratch.histogramValue[i];
        run.red[i] = v >= range.left && v <= range.node ? (v - range.left) * rise : 0.0;
        run.green[i] = v >= range.node && v <= range.right ? (range.right - v) * fall : 0.0;
        run.blue[i] = 0.0;
        run.alpha[i] = max;
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::countRun(const ColourRun& run, const RunScratch& scratch,
                                       std::int32_t* counts) const {
    if (countingMode_ == kHistogramSource) {
        for (std::int32_t i = 0; i < run.count; ++i) {
            counter_.count(counts, scratch.histogramValue[i]);
        }
    } else if (countingMode_ == kHistogramResult) {
        const double max = Pixel::kMax;
        for (std::int32_t i = 0; i < run.count; ++i) {
            counter_.count(counts, run.red[i] / max);
            counter_.count(counts + kHistogramBins, run.green[i] / max);
            counter_.count(counts + 2 * kHistogramBins, run.blue[i] / max);
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::accumulateRun(std::int32_t y, std::int32_t x0, const ColourRun& run,
                                            const RunScratch& scratch) const {
    const double unit = 1.0 / Pixel::kMax;
    Accumulation* sums = accumulation_.row(y) + x0;
    WeightPixel* weights = weights_.row(y) + x0;
    const double* w = scratch.amount[kPostBlur];
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double a = run.alpha[i];
        const double wa = w[i] * a;
        Accumulation& sum = sums[i];
        sum.alpha() = float(wa);
        sum.red() = float(wa * run.red[i] * unit);
        sum.green() = float(wa * run.green[i] * unit);
        sum.blue() = float(wa * run.blue[i] * unit);
        sum.weight() = float(w[i]);
        weights[i].weight = float(w[i]);
    }
}

template const Pixel8* RgbaCurvesFilter<Pixel8>::sourcePixels(std::int32_t, std::int32_t, std::int32_t,
                                                              Pixel8*) const;
template const Pixel16* RgbaCurvesFilter<Pixel16>::sourcePixels(std::int32_t, std::int32_t, std::int32_t,
                                                                Pixel16*) const;
template const PixelFloat* RgbaCurvesFilter<PixelFloat>::sourcePixels(std::int32_t, std::int32_t,
                                                                      std::int32_t, PixelFloat*) const;
template void RgbaCurvesFilter<Pixel8>::loadSource(std::int32_t, std::int32_t, const ColourRun&,
                                                   RunScratch&) const;
template void RgbaCurvesFilter<Pixel8>::computeSources(RunScratch&) const;
template void RgbaCurvesFilter<Pixel8>::computeAmounts(RunScratch&) const;
template void RgbaCurvesFilter<Pixel8>::applyChanges(ColourRun&, RunScratch&) const;
template void RgbaCurvesFilter<Pixel8>::nodeRangeColours(ColourRun&, const RunScratch&) const;
template void RgbaCurvesFilter<Pixel8>::countRun(const ColourRun&, const RunScratch&, std::int32_t*) const;
template void RgbaCurvesFilter<Pixel8>::accumulateRun(std::int32_t, std::int32_t, const ColourRun&,
                                                      const RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::loadSource(std::int32_t, std::int32_t, const ColourRun&,
                                                    RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::computeSources(RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::computeAmounts(RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::applyChanges(ColourRun&, RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::nodeRangeColours(ColourRun&, const RunScratch&) const;
template void RgbaCurvesFilter<Pixel16>::countRun(const ColourRun&, const RunScratch&, std::int32_t*) const;
template void RgbaCurvesFilter<Pixel16>::accumulateRun(std::int32_t, std::int32_t, const ColourRun&,
                                                       const RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::loadSource(std::int32_t, std::int32_t, const ColourRun&,
                                                       RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::computeSources(RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::computeAmounts(RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::applyChanges(ColourRun&, RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::nodeRangeColours(ColourRun&, const RunScratch&) const;
template void RgbaCurvesFilter<PixelFloat>::countRun(const ColourRun&, const RunScratch&,
                                                     std::int32_t*) const;
template void RgbaCurvesFilter<PixelFloat>::accumulateRun(std::int32_t, std::int32_t, const ColourRun&,
                                                          const RunScratch&) const;

} // namespace korvane::relative

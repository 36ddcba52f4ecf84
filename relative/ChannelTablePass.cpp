#include "relative/ChannelTablePass.h"

#include "pixels/ChannelStore.h"
#include "relative/TableIndex.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvane::relative {

template <class Pixel>
bool ChannelTablePass<Pixel>::servesPlan(const std::array<bool, kPropertyCount>& active) {
    return kDepthServed && !active[kHue] && !active[kSaturation] && !active[kBrightness];
}

template <class Pixel>
bool ChannelTablePass<Pixel>::build(ScratchBuffer& block, const std::array<bool, kPropertyCount>& active,
                                    const std::array<const float*, kPropertyCount>& tables,
                                    const std::array<std::int32_t, kPropertyCount>& sourceOf,
                                    const std::array<double, kPropertyCount>& factors,
                                    const std::array<bool, kPropertyCount>& addition,
                                    const HueEntryFinder* hueEntries,
                                    const SaturationEntries* saturationEntries) {
    constexpr std::array<std::pair<std::size_t, int>, 4> kChannels{
        {{kAlpha, Pixel::kAlpha}, {kBlue, Pixel::kBlue}, {kGreen, Pixel::kGreen}, {kRed, Pixel::kRed}}};
    stepCount_ = 0;
    needed_.fill(false);
    hueEntries_ = hueEntries;
    saturationEntries_ = saturationEntries;
    for (const auto& [k, position] : kChannels) {
        if (active[k]) {
            ++stepCount_;
        }
    }
    if (stepCount_ == 0) {
        return true;
    }
    if (!block.allocate(std::size_t(stepCount_) * kValues * kValues)) {
        return false;
    }
    auto* next = static_cast<std::uint8_t*>(block.data());
    const double max = Pixel::kMax;
    std::int32_t step = 0;
    for (const auto& [k, position] : kChannels) {
        if (!active[k]) {
            continue;
        }
        std::uint8_t* table = next;
        next += std::size_t(kValues) * kValues;
        double values[kValues];
        double amounts[kValues];
        for (std::int32_t j = 0; j < kValues; ++j) {
            // The run steps' amount and change, for every value this channel can hold.
            std::fill_n(amounts, kValues, factors[k] * double(tables[k][j]));
            for (std::int32_t v = 0; v < kValues; ++v) {
                values[v] = double(v);
            }
            if (k == kAlpha) {
                addition[k] ? alphaChange<true>(values, amounts, kValues, max)
                            : alphaChange<false>(values, amounts, kValues, max);
            } else {
                addition[k] ? channelChange<true>(values, amounts, kValues, max)
                            : channelChange<false>(values, amounts, kValues, max);
            }
            for (std::int32_t v = 0; v < kValues; ++v) {
                table[j * kValues + v] = roundToChannel<Pixel>(values[v]);
            }
        }
        steps_[std::size_t(step++)] = ChannelStep{position, sourceOf[k], table};
        needed_[std::size_t(sourceOf[k])] = true;
    }
    for (std::size_t sum = 0; sum < brightnessEntry_.size(); ++sum) {
        brightnessEntry_[sum] = std::uint8_t(tableIndex(meanOf(double(sum), 0.0, 0.0), Pixel::kMaxValue));
    }
    return true;
}

template <class Pixel>
void ChannelTablePass<Pixel>::run(const Pixel* input, const Pixel* source, Pixel* output,
                                  std::int32_t count) const {
    std::uint8_t entries[kSourceCount][kRunPixels];
    for (std::size_t p = 0; p < std::size_t(kSourceCount); ++p) {
        if (!needed_[p]) {
            continue;
        }
        std::uint8_t* e = entries[p];
        switch (p) {
        case kBrightness:
            for (std::int32_t i = 0; i < count; ++i) {
                const Pixel s = source[i];
                e[i] = brightnessEntry_[std::size_t(s.red()) + s.green() + s.blue()];
            }
            break;
        case kSaturation:
            for (std::int32_t i = 0; i < count; ++i) {
                const Pixel s = source[i];
                e[i] = saturationEntries_->entry(s.red(), s.green(), s.blue());
            }
            break;
        case kHue:
            for (std::int32_t i = 0; i < count; ++i) {
                const Pixel s = source[i];
                e[i] = std::uint8_t(hueEntries_->entry(double(s.red()), double(s.green()), double(s.blue())));
            }
            break;
        default: {
            // A channel value is its own entry.
            const int position = p == kRed     ? Pixel::kRed
                                 : p == kGreen ? Pixel::kGreen
                                 : p == kBlue  ? Pixel::kBlue
                                               : Pixel::kAlpha;
            for (std::int32_t i = 0; i < count; ++i) {
                e[i] = source[i].channel[position];
            }
            break;
        }
        }
    }
    if (output != input) {
        std::memmove(static_cast<void*>(output), input, std::size_t(count) * sizeof(Pixel));
    }
    for (std::int32_t s = 0; s < stepCount_; ++s) {
        const ChannelStep& step = steps_[std::size_t(s)];
        const std::uint8_t* e = entries[step.sourceProperty];
        const int c = step.channel;
        for (std::int32_t i = 0; i < count; ++i) {
            output[i].channel[c] = step.table[std::size_t(e[i]) * kValues + output[i].channel[c]];
        }
    }
}

template class ChannelTablePass<Pixel8>;

} // namespace korvane::relative

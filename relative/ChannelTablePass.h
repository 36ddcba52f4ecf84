#pragma once
#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"
#include "relative/ChangeSteps.h"
#include "relative/HueEntryFinder.h"
#include "relative/RelativeProperties.h"
#include "relative/SaturationEntries.h"

#include <array>
#include <cstdint>

namespace korvane::relative {

// The main pass of an 8-bit render that changes only red, green, blue and alpha (no hue, saturation or
// brightness change, no post blur, no histogram, the normal view). Each of those channels then stores a
// value that depends on nothing but its own input value v and the curve table entry j its amount comes
// from, so the store for every (j, v) is worked out once per render with the very change and rounding the
// run steps use, into a byte table of 256 x 256 entries per changed channel, and a pixel costs its table
// entries and one lookup per changed channel. The entries come from the source pixel as the run steps
// find them (TableIndex.h): brightness through a table of the 766 channel sums, the channels as they are,
// saturation from a table of sum and lowest
// channel, hue through the HueEntryFinder (both the filter's, kept set up for the pass).
template <class Pixel>
class ChannelTablePass {
public:
    static constexpr bool kDepthServed = !Pixel::kIsFloat && Pixel::kMaxValue == 255;

    // Whether a render whose plan makes these properties active can go this way (the caller checks the
    // view, the post blur and the histograms).
    static bool servesPlan(const std::array<bool, kPropertyCount>& active);

    // Sets the pass up from the render's curve tables: `sourceOf[k]` is the pixel property property k's
    // amount is read from, `factors` and `addition` as the filter holds them. False when the render context
    // has no memory for the tables.
    bool build(ScratchBuffer& block, const std::array<bool, kPropertyCount>& active,
               const std::array<const float*, kPropertyCount>& tables,
               const std::array<std::int32_t, kPropertyCount>& sourceOf,
               const std::array<double, kPropertyCount>& factors,
               const std::array<bool, kPropertyCount>& addition, const HueEntryFinder* hueEntries,
               const SaturationEntries* saturationEntries);

    // count (at most kRunPixels) pixels: input and source (the pixels the amounts are read from, which may
    // be the input itself) to output, which may be the input.
    void run(const Pixel* input, const Pixel* source, Pixel* output, std::int32_t count) const;

private:
    static constexpr std::int32_t kValues = 256;

    struct ChannelStep {
        int channel = 0;                     // position in the pixel
        std::int32_t sourceProperty = 0;     // the pixel property its entry comes from
        const std::uint8_t* table = nullptr; // kValues x kValues: entry j, value v at j * kValues + v
    };

    std::array<ChannelStep, 4> steps_{};
    std::int32_t stepCount_ = 0;
    std::array<bool, kSourceCount> needed_{};
    const HueEntryFinder* hueEntries_ = nullptr;
    const SaturationEntries* saturationEntries_ = nullptr;
    // Table entry of the brightness of every channel sum 0..765.
    std::array<std::uint8_t, 3 * 255 + 1> brightnessEntry_{};
};

} // namespace korvane::relative

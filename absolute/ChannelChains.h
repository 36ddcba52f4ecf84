#pragma once
#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace korvane::absolute {

// Integer depths, normal order, with colour steps: the channel curves of a channel (its own, then rgb for red,
// green and blue) read that channel's value alone, so what they leave is worked out once per channel value
// into one map per channel, and a run's values after the channel steps are one lookup each. The maps hold
// exactly what the per-pixel lookups give (the same table reads, in the same order): the last read's table
// value, a float, so the maps are floats (half the cache a 16-bit map of doubles would take).

// Channel order of the maps: red, green, blue, alpha.
inline constexpr std::size_t kChainCount = 4;

// map[v] for v = 0..last: v through the lookups in order (a null lookup is a curve at its default).
inline void buildChainMap(const std::array<const TableLookup*, 2>& lookups, std::int32_t last, float* map) {
    for (std::int32_t v = 0; v <= last; ++v) {
        double value = double(v);
        for (const TableLookup* lookup : lookups) {
            if (lookup != nullptr) {
                value = lookup->atChannel(value);
            }
        }
        // A table value: a float exactly.
        map[v] = float(value);
    }
}

// The maps of the four channels; null for a channel without a curve, whose values pass as they are (a 16-bit
// value above white included).
struct ChainMaps {
    std::array<const float*, kChainCount> maps{};
};

// The run's red, green, blue and alpha after the channel steps, read through the maps (each of
// Pixel::kMaxValue + 1 entries). A 16-bit value above white (a host may hand one over) reads white's entry, as
// the table lookups clamp it.
template <class Pixel>
void readThroughChains(const Pixel* source, const ChainMaps& chains, PixelRun& run) {
    using Value = typename Pixel::Value;
    const std::array<std::size_t, kChainCount> slots = {std::size_t(Pixel::kRed), std::size_t(Pixel::kGreen),
                                                        std::size_t(Pixel::kBlue), std::size_t(Pixel::kAlpha)};
    const std::array<double*, kChainCount> values = {run.red, run.green, run.blue, run.alpha};
    const auto entry = [](Value v) {
        if constexpr (std::numeric_limits<Value>::max() > Pixel::kMaxValue) {
            return std::min(std::size_t(v), std::size_t(Pixel::kMaxValue));
        } else {
            return std::size_t(v);
        }
    };
    if (chains.maps[0] != nullptr && chains.maps[1] != nullptr && chains.maps[2] != nullptr &&
        chains.maps[3] != nullptr) {
        // Every channel has a curve: one pass over the pixels.
        for (std::int32_t i = 0; i < run.count; ++i) {
            const Pixel pixel = source[i];
            for (std::size_t c = 0; c < kChainCount; ++c) {
                values[c][i] = double(chains.maps[c][entry(pixel.channel[slots[c]])]);
            }
        }
        return;
    }
    for (std::size_t c = 0; c < kChainCount; ++c) {
        const std::size_t slot = slots[c];
        double* out = values[c];
        const float* map = chains.maps[c];
        if (map == nullptr) {
            for (std::int32_t i = 0; i < run.count; ++i) {
                out[i] = double(source[i].channel[slot]);
            }
            continue;
        }
        for (std::int32_t i = 0; i < run.count; ++i) {
            out[i] = double(map[entry(source[i].channel[slot])]);
        }
    }
}

} // namespace korvane::absolute

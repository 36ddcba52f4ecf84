#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane::relative {

// The saturation table entry of an 8-bit colour, tableIndex(saturationSource(red, green, blue, 255), 255),
// from a table of the channel sum and the lowest channel. The saturation of a colour that is not grey is
// (mean - lowest) / mean, and its mean comes from the sum alone (a sum of whole numbers is exact); a grey or
// black colour is the only one with its sum and lowest channel. So one colour per (sum, lowest) gives the
// entry of them all, worked out with the saturation itself.
class SaturationEntries {
public:
    SaturationEntries();

    std::uint8_t entry(std::int32_t red, std::int32_t green, std::int32_t blue) const {
        const std::int32_t lowest = std::min(red, std::min(green, blue));
        return entries_[std::size_t(red + green + blue) * 256 + std::size_t(lowest)];
    }

private:
    std::vector<std::uint8_t> entries_; // (sum, lowest) at sum x 256 + lowest
};

} // namespace korvane::relative

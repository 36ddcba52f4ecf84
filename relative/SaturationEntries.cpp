#include "relative/SaturationEntries.h"

#include "relative/TableIndex.h"

#include <algorithm>

namespace korvane::relative {

SaturationEntries::SaturationEntries() : entries_(std::size_t(3 * 255 + 1) * 256, 0) {
    for (std::int32_t lowest = 0; lowest <= 255; ++lowest) {
        // Sums from all three at the lowest to the other two at 255.
        for (std::int32_t sum = 3 * lowest; sum <= lowest + 2 * 255; ++sum) {
            const std::int32_t green = std::min(255, sum - 2 * lowest);
            const std::int32_t blue = sum - lowest - green;
            entries_[std::size_t(sum) * 256 + std::size_t(lowest)] = std::uint8_t(
                tableIndex(saturationSource(double(lowest), double(green), double(blue), 255.0), 255));
        }
    }
}

} // namespace korvane::relative

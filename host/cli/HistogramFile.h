#pragma once
#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvhost {

// The histograms a render leaves in the effects' raw sequence data (the editor state set): three arrays
// of 2560 signed 32-bit counts, the pixel count they were counted over and the mode they were counted
// in, at fixed little-endian offsets.
struct SequenceHistograms {
    static constexpr std::size_t kBins = 2560;
    static constexpr std::array<std::size_t, 3> kBinOffsets{24528, 34768, 45008};
    static constexpr std::size_t kPixelsOffset = 55248;
    static constexpr std::size_t kModeOffset = 55252;

    std::int32_t mode = 0;
    std::int32_t pixels = 0;
    std::array<std::vector<std::int32_t>, 3> bins;

    // Throws HostError (naming `owner`) when the block is too short to hold a field.
    static SequenceHistograms read(const std::vector<std::uint8_t>& raw, const std::string& owner);
    // {"mode": m, "pixels": n, "bins": [[2560 counts], [...], [...]]}
    nlohmann::json toJson() const;
};

} // namespace kvhost

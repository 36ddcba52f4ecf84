#include "host/cli/HistogramFile.h"

#include "host/HostError.h"

namespace kvhost {

namespace {

std::int32_t int32At(const std::vector<std::uint8_t>& raw, std::size_t offset, const std::string& owner,
                     const char* field) {
    if (offset > raw.size() || raw.size() - offset < 4) {
        throw HostError(owner + ": the sequence data is " + std::to_string(raw.size()) +
                        " bytes, too short to hold " + field + " at byte " + std::to_string(offset));
    }
    const std::uint32_t value = std::uint32_t(raw[offset]) | std::uint32_t(raw[offset + 1]) << 8 |
                                std::uint32_t(raw[offset + 2]) << 16 | std::uint32_t(raw[offset + 3]) << 24;
    return std::int32_t(value);
}

} // namespace

SequenceHistograms SequenceHistograms::read(const std::vector<std::uint8_t>& raw, const std::string& owner) {
    SequenceHistograms h;
    for (std::size_t a = 0; a < kBinOffsets.size(); ++a) {
        // The last bin first, so that a short block fails before anything is read.
        int32At(raw, kBinOffsets[a] + (kBins - 1) * 4, owner, "the histogram bins");
        h.bins[a].resize(kBins);
        for (std::size_t i = 0; i < kBins; ++i) {
            h.bins[a][i] = int32At(raw, kBinOffsets[a] + i * 4, owner, "the histogram bins");
        }
    }
    h.pixels = int32At(raw, kPixelsOffset, owner, "the histogram pixel count");
    h.mode = int32At(raw, kModeOffset, owner, "the histogram mode");
    return h;
}

nlohmann::json SequenceHistograms::toJson() const {
    return nlohmann::json{{"mode", mode}, {"pixels", pixels}, {"bins", bins}};
}

} // namespace kvhost

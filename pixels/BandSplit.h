#pragma once
#include <algorithm>
#include <cstdint>

namespace korvane {

// Rows [begin, end) of one band of a per-band pass.
struct RowRange {
    std::int32_t begin = 0;
    std::int32_t end = 0;

    bool empty() const { return end <= begin; }
};

// Band i of n over H rows covers i x floor(H / n) up to (i + 1) x floor(H / n); the last band takes the
// remainder, so with fewer rows than bands it takes every row and the others are empty.
inline RowRange bandRows(std::int32_t band, std::int32_t bandCount, std::int32_t height) {
    height = std::max(height, 0);
    bandCount = std::max(bandCount, 1);
    if (band < 0 || band >= bandCount) {
        return {};
    }
    const std::int32_t rowsPerBand = height / bandCount;
    const std::int32_t begin = band * rowsPerBand;
    const std::int32_t end = band == bandCount - 1 ? height : begin + rowsPerBand;
    return {begin, end};
}

} // namespace korvane

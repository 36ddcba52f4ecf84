#pragma once
#include <cstdint>

namespace korvane {

// The framework's rectangle: left, right, top, bottom; right and bottom exclusive.
struct IntRect {
    std::int32_t x0 = 0;
    std::int32_t x1 = 0;
    std::int32_t y0 = 0;
    std::int32_t y1 = 0;

    bool empty() const { return x1 <= x0 || y1 <= y0; }
    friend bool operator==(const IntRect&, const IntRect&) = default;
};

} // namespace korvane

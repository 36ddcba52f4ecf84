#pragma once
#include <cstdint>

namespace korvane {

// The sample that index i of a line of n samples reads under mirror edges; always inside the line, however
// far outside it i lies (a radius far larger than the line folds back and forth). Below the line the edge
// sample is not repeated (-1 reads 1); above it, it is (n reads n - 1).
inline std::int64_t mirrorFold(std::int64_t i, std::int64_t n) {
    if (i >= 0 && i < n) {
        return i;
    }
    if (n <= 1) {
        return 0;
    }
    if (i < 0) {
        const std::int64_t q = i / n; // toward zero
        const std::int64_t m = i - q * n;
        const std::int64_t folded = q % 2 == 0 ? -m : m + n;
        return folded == n ? n - 1 : folded;
    }
    const std::int64_t m = i % n;
    return (i / n) % 2 == 0 ? m : n - 1 - m;
}

} // namespace korvane

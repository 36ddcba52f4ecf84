#pragma once
// The tent blur written as a direct convolution: weights R + 0.5 - |k| within the whole radius, half the
// fraction one further, mirror edges; the second algorithm the blurred renders are checked against.
#include <cmath>
#include <cstdint>
#include <vector>

namespace korvane::testing {

// Mirror folding of a sample index on a line of n samples: -1 -> 1 (the edge is not repeated on the low
// side), n -> n - 1 (it is on the high side).
inline std::int64_t foldIndex(std::int64_t i, std::int64_t n) {
    if (i >= 0 && i < n) {
        return i;
    }
    if (i < 0) {
        const std::int64_t q = i / n;
        const std::int64_t m = i - q * n;
        const std::int64_t folded = q % 2 == 0 ? -m : m + n;
        return folded == n ? n - 1 : folded;
    }
    const std::int64_t m = i % n;
    return (i / n) % 2 == 0 ? m : n - 1 - m;
}

// One line blurred with radius R (the values are doubles of any unit).
inline std::vector<double> tentLine(const std::vector<double>& line, double radius) {
    const auto n = std::int64_t(line.size());
    const auto r = std::int64_t(std::floor(radius));
    const double f = radius - double(r);
    std::vector<double> out(line.size());
    for (std::int64_t x = 0; x < n; ++x) {
        double sum = 0.0;
        double norm = 0.0;
        for (std::int64_t k = -r - 1; k <= r + 1; ++k) {
            const double w = (k < 0 ? -k : k) <= r ? radius + 0.5 - double((k < 0 ? -k : k)) : f / 2.0;
            sum += w * line[std::size_t(foldIndex(x + k, n))];
            norm += w;
        }
        out[std::size_t(x)] = sum / norm;
    }
    return out;
}

// A width x height plane blurred along rows, then along columns; `store` rounds the horizontal result as
// the image between the passes holds it.
template <class Store>
std::vector<double> tentPlane(const std::vector<double>& plane, std::int64_t width, std::int64_t height,
                              double horizontal, double vertical, Store store) {
    std::vector<double> rows(plane.size());
    for (std::int64_t y = 0; y < height; ++y) {
        const std::vector<double> line(plane.begin() + y * width, plane.begin() + (y + 1) * width);
        const std::vector<double> blurred = tentLine(line, horizontal);
        for (std::int64_t x = 0; x < width; ++x) {
            rows[std::size_t(y * width + x)] = store(blurred[std::size_t(x)]);
        }
    }
    std::vector<double> out(plane.size());
    for (std::int64_t x = 0; x < width; ++x) {
        std::vector<double> column(static_cast<std::size_t>(height));
        for (std::int64_t y = 0; y < height; ++y) {
            column[std::size_t(y)] = rows[std::size_t(y * width + x)];
        }
        const std::vector<double> blurred = tentLine(column, vertical);
        for (std::int64_t y = 0; y < height; ++y) {
            out[std::size_t(y * width + x)] = blurred[std::size_t(y)];
        }
    }
    return out;
}

} // namespace korvane::testing

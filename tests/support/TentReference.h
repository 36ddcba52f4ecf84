#pragma once
// The tent blur written as a direct convolution from the kernel's definition (weights R + 0.5 - |k| within
// the whole radius, half the fraction one further, mirror edges): the second algorithm the blur and the
// blurred renders are checked against. Integer depths are computed exactly: a radius num / den has weights
// that are whole multiples of 1 / (2 den), so every sum is a whole number and truncation and rounding are
// exact integer divisions. Float depths are computed in doubles.
#include "tests/support/TestImage.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace korvane::testing {

// Mirror edges: beyond the high end blocks of n run reversed, forward, reversed...; below 0 the rule folds
// with the quotient truncated toward zero, never repeating sample 0 in the first block.
inline std::int64_t referenceFold(std::int64_t i, std::int64_t n) {
    if (n == 1 || (i >= 0 && i < n)) {
        return n == 1 ? 0 : i;
    }
    if (i >= n) {
        const std::int64_t block = i / n;
        const std::int64_t within = i - block * n;
        return block % 2 == 1 ? n - 1 - within : within;
    }
    const std::int64_t q = -((-i) / n);
    const std::int64_t m = i - q * n;
    const std::int64_t index = q % 2 == 0 ? -m : m + n;
    return index == n ? n - 1 : index;
}

struct RationalRadius {
    std::int64_t num = 0;
    std::int64_t den = 1;
    double value() const { return double(num) / double(den); }
};

// One line at an integer depth, exactly: trunc(sum / N) or, half up, trunc(sum / N + 0.5).
inline std::vector<std::int64_t> exactTentLine(const std::vector<std::int64_t>& line, RationalRadius radius,
                                               bool halfUp) {
    const std::int64_t n = std::int64_t(line.size());
    const std::int64_t r = radius.num / radius.den;
    // Weights times 2 den: R + 0.5 - |k| inside, f / 2 just outside.
    const std::int64_t edge = radius.num - r * radius.den;
    std::vector<std::int64_t> out(line.size());
    for (std::int64_t x = 0; x < n; ++x) {
        std::int64_t sum = 0;
        std::int64_t weights = 0;
        for (std::int64_t k = -r - 1; k <= r + 1; ++k) {
            const std::int64_t distance = k < 0 ? -k : k;
            const std::int64_t w =
                distance <= r ? 2 * radius.num + radius.den - 2 * distance * radius.den : edge;
            sum += w * line[std::size_t(referenceFold(x + k, n))];
            weights += w;
        }
        out[std::size_t(x)] = halfUp ? (2 * sum + weights) / (2 * weights) : sum / weights;
    }
    return out;
}

// One line in doubles; zero weights take no part, so an infinity at weight 0 does not turn into NaN.
inline std::vector<double> directTentLine(const std::vector<double>& line, double radius) {
    const std::int64_t n = std::int64_t(line.size());
    const double whole = std::floor(radius);
    const std::int64_t r = std::int64_t(whole);
    const double f = radius - whole;
    std::vector<double> out(line.size());
    for (std::int64_t x = 0; x < n; ++x) {
        double sum = 0.0;
        double weights = 0.0;
        for (std::int64_t k = -r - 1; k <= r + 1; ++k) {
            const std::int64_t distance = k < 0 ? -k : k;
            const double w = distance <= r ? radius + 0.5 - double(distance) : f / 2.0;
            if (w == 0.0) {
                continue;
            }
            sum += w * line[std::size_t(referenceFold(x + k, n))];
            weights += w;
        }
        out[std::size_t(x)] = sum / weights;
    }
    return out;
}

// The two passes over a grid: rows at the horizontal radius, then columns at the vertical radius. At integer
// depths the rows truncate and the columns round half up; float intermediates are stored as floats.
template <int Channels>
Grid<Channels> referenceBlur(const Grid<Channels>& source, RationalRadius horizontal, RationalRadius vertical,
                             bool integerDepth) {
    Grid<Channels> middle(source.width, source.height);
    Grid<Channels> result(source.width, source.height);
    for (int c = 0; c < Channels; ++c) {
        for (std::int32_t y = 0; y < source.height; ++y) {
            if (integerDepth) {
                std::vector<std::int64_t> line;
                for (std::int32_t x = 0; x < source.width; ++x) {
                    line.push_back(std::int64_t(source.at(x, y)[std::size_t(c)]));
                }
                const auto out = exactTentLine(line, horizontal, false);
                for (std::int32_t x = 0; x < source.width; ++x) {
                    middle.at(x, y)[std::size_t(c)] = double(out[std::size_t(x)]);
                }
            } else {
                std::vector<double> line;
                for (std::int32_t x = 0; x < source.width; ++x) {
                    line.push_back(source.at(x, y)[std::size_t(c)]);
                }
                const auto out = directTentLine(line, horizontal.value());
                for (std::int32_t x = 0; x < source.width; ++x) {
                    middle.at(x, y)[std::size_t(c)] = double(float(out[std::size_t(x)]));
                }
            }
        }
        for (std::int32_t x = 0; x < source.width; ++x) {
            if (integerDepth) {
                std::vector<std::int64_t> line;
                for (std::int32_t y = 0; y < source.height; ++y) {
                    line.push_back(std::int64_t(middle.at(x, y)[std::size_t(c)]));
                }
                const auto out = exactTentLine(line, vertical, true);
                for (std::int32_t y = 0; y < source.height; ++y) {
                    result.at(x, y)[std::size_t(c)] = double(out[std::size_t(y)]);
                }
            } else {
                std::vector<double> line;
                for (std::int32_t y = 0; y < source.height; ++y) {
                    line.push_back(middle.at(x, y)[std::size_t(c)]);
                }
                const auto out = directTentLine(line, vertical.value());
                for (std::int32_t y = 0; y < source.height; ++y) {
                    result.at(x, y)[std::size_t(c)] = double(float(out[std::size_t(y)]));
                }
            }
        }
    }
    return result;
}

// A width x height plane blurred along rows, then along columns; `store` rounds the horizontal result as
// the image between the passes holds it.
template <class Store>
std::vector<double> tentPlane(const std::vector<double>& plane, std::int64_t width, std::int64_t height,
                              double horizontal, double vertical, Store store) {
    std::vector<double> rows(plane.size());
    for (std::int64_t y = 0; y < height; ++y) {
        const std::vector<double> line(plane.begin() + y * width, plane.begin() + (y + 1) * width);
        const std::vector<double> blurred = directTentLine(line, horizontal);
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
        const std::vector<double> blurred = directTentLine(column, vertical);
        for (std::int64_t y = 0; y < height; ++y) {
            out[std::size_t(y * width + x)] = blurred[std::size_t(y)];
        }
    }
    return out;
}

} // namespace korvane::testing

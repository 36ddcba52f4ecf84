#pragma once
// Owning test images with padded rows, plain channel grids to compare them with, and random grids.
#include "pixels/PixelArray.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace korvane::testing {

inline constexpr std::uint8_t kPaddingByte = 0xA5;
// Bytes after each row of a TestImage unless it says otherwise.
inline constexpr std::int32_t kRowPadding = 12;

// Channel values in the depth's units (alpha last here, whatever the pixel layout).
struct Rgba {
    double red;
    double green;
    double blue;
    double alpha;
};

// Channel values of a whole image as doubles, row by row.
template <int Channels>
struct Grid {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::array<double, Channels>> values;

    Grid() = default;
    Grid(std::int32_t w, std::int32_t h) : width(w), height(h), values(std::size_t(w) * std::size_t(h)) {}
    std::array<double, Channels>& at(std::int32_t x, std::int32_t y) {
        return values[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    const std::array<double, Channels>& at(std::int32_t x, std::int32_t y) const {
        return values[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

// An image of one pixel type placed in layer coordinates, whose rows are followed by padding bytes that
// nobody may touch.
template <class Pixel>
class TestImage {
public:
    TestImage(std::int32_t w, std::int32_t h, std::int32_t padBytes = kRowPadding, std::int32_t x = 0,
              std::int32_t y = 0)
        : width(w), height(h), originX(x), originY(y), rowBytes_(w * std::int32_t(sizeof(Pixel)) + padBytes),
          bytes_(std::size_t(rowBytes_) * std::size_t(std::max(h, 1)), std::byte{kPaddingByte}) {
        for (std::int32_t row = 0; row < height; ++row) {
            for (std::int32_t column = 0; column < width; ++column) {
                at(column, row) = Pixel{};
            }
        }
    }

    // One row of the given pixels.
    explicit TestImage(const std::vector<Rgba>& row) : TestImage(std::int32_t(row.size()), 1) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            set(std::int32_t(i), 0, row[i]);
        }
    }

    std::int32_t width;
    std::int32_t height;
    std::int32_t originX;
    std::int32_t originY;

    std::size_t pixelCount() const { return std::size_t(width) * std::size_t(height); }
    // The i-th pixel in row order.
    Pixel& atIndex(std::size_t i) {
        return at(std::int32_t(i % std::size_t(width)), std::int32_t(i / std::size_t(width)));
    }
    const Pixel& atIndex(std::size_t i) const {
        return at(std::int32_t(i % std::size_t(width)), std::int32_t(i / std::size_t(width)));
    }

    PixelArray<Pixel> view() {
        PixelArray<Pixel> v;
        v.width = width;
        v.height = height;
        v.rowBytes = rowBytes_;
        v.originX = originX;
        v.originY = originY;
        v.data = bytes_.data();
        v.present = 1;
        return v;
    }

    Pixel& at(std::int32_t x, std::int32_t y) {
        return *reinterpret_cast<Pixel*>(bytes_.data() + std::size_t(y) * std::size_t(rowBytes_) +
                                         std::size_t(x) * sizeof(Pixel));
    }
    const Pixel& at(std::int32_t x, std::int32_t y) const {
        return *reinterpret_cast<const Pixel*>(bytes_.data() + std::size_t(y) * std::size_t(rowBytes_) +
                                               std::size_t(x) * sizeof(Pixel));
    }

    void set(std::int32_t x, std::int32_t y, const Rgba& c) {
        Pixel& p = at(x, y);
        p.red() = static_cast<typename Pixel::Value>(c.red);
        p.green() = static_cast<typename Pixel::Value>(c.green);
        p.blue() = static_cast<typename Pixel::Value>(c.blue);
        p.alpha() = static_cast<typename Pixel::Value>(c.alpha);
    }
    Rgba get(std::int32_t x, std::int32_t y) const {
        const Pixel& p = at(x, y);
        return {double(p.red()), double(p.green()), double(p.blue()), double(p.alpha())};
    }
    void fill(const Rgba& c) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                set(x, y, c);
            }
        }
    }

    void fill(const Grid<Pixel::kChannelCount>& grid) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                for (int c = 0; c < Pixel::kChannelCount; ++c) {
                    at(x, y).channel[c] = static_cast<typename Pixel::Value>(grid.at(x, y)[std::size_t(c)]);
                }
            }
        }
    }

    Grid<Pixel::kChannelCount> grid() const {
        Grid<Pixel::kChannelCount> result(width, height);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                for (int c = 0; c < Pixel::kChannelCount; ++c) {
                    result.at(x, y)[std::size_t(c)] = double(at(x, y).channel[c]);
                }
            }
        }
        return result;
    }

    // True when both images have the same size and the same pixel bytes (padding aside).
    bool samePixels(const TestImage& other) const {
        if (width != other.width || height != other.height) {
            return false;
        }
        for (std::int32_t y = 0; y < height; ++y) {
            if (std::memcmp(&at(0, y), &other.at(0, y), std::size_t(width) * sizeof(Pixel)) != 0) {
                return false;
            }
        }
        return true;
    }

    // True when every padding byte still holds its pattern.
    bool paddingIntact() const {
        const std::size_t used = std::size_t(width) * sizeof(Pixel);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::byte* row = bytes_.data() + std::size_t(y) * std::size_t(rowBytes_);
            for (std::size_t i = used; i < std::size_t(rowBytes_); ++i) {
                if (row[i] != std::byte{kPaddingByte}) {
                    return false;
                }
            }
        }
        return true;
    }

    // Every pixel byte set to one pattern, to see what a filter wrote.
    void fillBytes(std::uint8_t value) {
        for (std::int32_t y = 0; y < height; ++y) {
            std::memset(bytes_.data() + std::size_t(y) * std::size_t(rowBytes_), value,
                        std::size_t(width) * sizeof(Pixel));
        }
    }

    bool allPixelBytesAre(std::uint8_t value) const {
        for (std::int32_t y = 0; y < height; ++y) {
            const std::byte* row = bytes_.data() + std::size_t(y) * std::size_t(rowBytes_);
            for (std::size_t i = 0; i < std::size_t(width) * sizeof(Pixel); ++i) {
                if (row[i] != std::byte{value}) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    std::int32_t rowBytes_;
    std::vector<std::byte> bytes_;
};

// Random channel values a pixel type can hold: whole numbers 0..max at integer depths, floats that also go
// below 0 and above the maximum at float depth (float stores are unclamped).
template <class Pixel>
Grid<Pixel::kChannelCount> randomGrid(std::int32_t width, std::int32_t height, std::mt19937& rng) {
    Grid<Pixel::kChannelCount> grid(width, height);
    std::uniform_int_distribution<std::int32_t> whole(0, Pixel::kMaxValue);
    std::uniform_real_distribution<double> real(-0.25 * Pixel::kMax, 1.5 * Pixel::kMax);
    for (auto& pixel : grid.values) {
        for (auto& value : pixel) {
            value = Pixel::kIsFloat ? double(float(real(rng))) : double(whole(rng));
        }
    }
    return grid;
}

} // namespace korvane::testing

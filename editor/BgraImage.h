#pragma once
#include <cstddef>
#include <cstdint>

namespace korvane {

// The editor's offscreen image: width x height pixels of blue, green, red, alpha bytes, rows top to
// bottom without gaps. Does not own the bytes.
class BgraImage {
public:
    BgraImage(std::uint8_t* bytes, int width, int height) : bytes_(bytes), width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    std::uint8_t* pixel(int x, int y) {
        return bytes_ + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                         static_cast<std::size_t>(x)) *
                            4;
    }
    const std::uint8_t* pixel(int x, int y) const {
        return bytes_ + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                         static_cast<std::size_t>(x)) *
                            4;
    }
    const std::uint8_t* bytes() const { return bytes_; }

private:
    std::uint8_t* bytes_;
    int width_;
    int height_;
};

} // namespace korvane

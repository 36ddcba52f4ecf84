#pragma once
#include "hostapi/PF_ParamDef.h"

#include <cstdint>
#include <vector>

namespace kvhost {

// An image in the host's layout: rows of alpha, red, green, blue pixels at 8 bits (PF_Pixel), 16 bits
// (PF_Pixel16, white is 32768) or float (PF_PixelFloat). Rows are padded beyond the last pixel and a
// guard area follows the last row; both hold a sentinel byte so that a write outside the pixels shows.
class HostImage {
public:
    static constexpr std::uint8_t kSentinel = 0xE7;
    static constexpr int kDefaultPaddingBytes = 24;

    HostImage() = default;
    // depth 8, 16 or 32; throws HostError for another depth or a size below 0.
    HostImage(int width, int height, int depth, int paddingBytes = kDefaultPaddingBytes);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int rowBytes() const { return rowBytes_; }
    int pixelBytes() const { return pixelBytes(depth_); }
    bool empty() const { return width_ == 0 || height_ == 0; }
    static int pixelBytes(int depth);
    static int maxValue(int depth) { return depth == 8 ? 255 : 32768; }

    // Position of the first pixel in layer coordinates.
    int originX() const { return originX_; }
    int originY() const { return originY_; }
    void setOrigin(int x, int y) {
        originX_ = x;
        originY_ = y;
    }
    PF_RationalScale pixelAspect() const { return pixelAspect_; }
    void setPixelAspect(PF_RationalScale aspect) { pixelAspect_ = aspect; }

    std::uint8_t* row(int y) { return data_.data() + std::size_t(y) * std::size_t(rowBytes_); }
    const std::uint8_t* row(int y) const { return data_.data() + std::size_t(y) * std::size_t(rowBytes_); }
    template <typename Pixel>
    Pixel& at(int x, int y) {
        return reinterpret_cast<Pixel*>(row(y))[x];
    }
    template <typename Pixel>
    const Pixel& at(int x, int y) const {
        return reinterpret_cast<const Pixel*>(row(y))[x];
    }

    // A channel as a double in the depth's units (alpha 0, red 1, green 2, blue 3).
    double channel(int x, int y, int c) const;
    void setChannel(int x, int y, int c, double value);

    // The world handed to the plug-in: the whole image, or the pixels of a rectangle of it in layer
    // coordinates (clipped to the image).
    PF_LayerDef world();
    PF_LayerDef world(const PF_LRect& rect);
    PF_LRect extent() const { return PF_LRect{originX_, originY_, originX_ + width_, originY_ + height_}; }

    // True when no byte of the row padding or of the guard area was written.
    bool paddingIntact() const;
    // The pixels only, as a comparable value (padding excluded).
    std::vector<std::uint8_t> pixelBytesPacked() const;

    // The same picture at another depth: 8 <-> 16 bits round to the nearest step, float holds
    // value / maximum; float to an integer depth is clamped.
    HostImage converted(int depth) const;
    // The picture the host hands a plug-in at a downsampling of 1/factorX by 1/factorY: each pixel the
    // mean of a block of factorX by factorY pixels (fewer at the right and bottom edges), rounded to the
    // nearest step at integer depths; the origin is scaled likewise.
    HostImage downsampled(int factorX, int factorY) const;

private:
    int width_ = 0;
    int height_ = 0;
    int depth_ = 8;
    int rowBytes_ = 0;
    int originX_ = 0;
    int originY_ = 0;
    PF_RationalScale pixelAspect_{1, 1};
    std::vector<std::uint8_t> data_;
};

} // namespace kvhost

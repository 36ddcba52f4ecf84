#pragma once
#include "framework/ImageDesc.h"
#include "framework/IntRect.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace korvane {

// A view of a rectangle of pixels placed in layer coordinates; it never owns its pixels. Views over the same
// layer share one coordinate system through their origins: pixel (x, y) of view A lies over pixel
// (x + A.originX - B.originX, y + A.originY - B.originY) of view B. Every view built here has
// pixelBytes == sizeof(Pixel), so row(y)[x] is pixel (x, y).
template <class Pixel>
struct PixelArray {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
    std::int32_t pixelBytes = std::int32_t(sizeof(Pixel));
    std::int32_t originX = 0;
    std::int32_t originY = 0;
    double pixelAspect = 1.0;
    double downsampleX = 1.0;
    double downsampleY = 1.0;
    std::byte* data = nullptr;
    std::uint8_t present = 0;

    // A view of a host buffer. It has pixels only when the image is present, has an address and is of this
    // pixel type's depth; a missing layer gives a view with present 0 and no size.
    static PixelArray fromImage(const ImageDesc& image) {
        PixelArray view;
        view.pixelAspect = image.pixelAspect;
        view.downsampleX = image.downsampleX;
        view.downsampleY = image.downsampleY;
        view.originX = image.originX;
        view.originY = image.originY;
        if (image.present == 0 || image.pixels == nullptr || image.depth != Pixel::kHostDepth) {
            return view;
        }
        view.width = std::max(image.width, 0);
        view.height = std::max(image.height, 0);
        view.rowBytes = image.rowBytes;
        view.data = static_cast<std::byte*>(image.pixels);
        view.present = 1;
        return view;
    }

    // A view of an unpadded scratch buffer standing for an image of this size and origin.
    static PixelArray overScratch(std::int32_t width, std::int32_t height, std::int32_t originX,
                                  std::int32_t originY, void* buffer) {
        PixelArray view;
        view.width = std::max(width, 0);
        view.height = std::max(height, 0);
        view.rowBytes = view.width * view.pixelBytes;
        view.originX = originX;
        view.originY = originY;
        view.data = static_cast<std::byte*>(buffer);
        view.present = 1;
        return view;
    }

    // Row and pixel addresses are computed in pointer width: y x rowBytes overflows 32 bits on large images.
    Pixel* row(std::int32_t y) const { return reinterpret_cast<Pixel*>(data + std::ptrdiff_t(y) * rowBytes); }
    Pixel& pixel(std::int32_t x, std::int32_t y) const {
        return *reinterpret_cast<Pixel*>(data + std::ptrdiff_t(y) * rowBytes +
                                         std::ptrdiff_t(x) * pixelBytes);
    }

    bool contains(std::int64_t x, std::int64_t y) const {
        return present != 0 && x >= 0 && x < width && y >= 0 && y < height;
    }

    // The pixel at a layer position; transparent black outside the view or for a missing layer.
    Pixel atLayer(std::int64_t layerX, std::int64_t layerY) const {
        const std::int64_t x = layerX - originX;
        const std::int64_t y = layerY - originY;
        if (!contains(x, y)) {
            return Pixel{};
        }
        return pixel(std::int32_t(x), std::int32_t(y));
    }

    // The pixel of this view that lies under pixel (x, y) of `other`.
    template <class OtherPixel>
    Pixel under(const PixelArray<OtherPixel>& other, std::int32_t x, std::int32_t y) const {
        return atLayer(std::int64_t(x) + other.originX, std::int64_t(y) + other.originY);
    }
};

} // namespace korvane

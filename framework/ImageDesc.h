#pragma once
#include <cstdint>

namespace korvane {

// One image handed to a render operation: a buffer placed in layer coordinates.
struct ImageDesc {
    void* pixels = nullptr;       // first pixel of the buffer
    std::int32_t width = 0;       // buffer width in pixels
    std::int32_t height = 0;      // buffer height in pixels
    std::int32_t originX = 0;     // layer x of the buffer's first column
    std::int32_t originY = 0;     // layer y of the buffer's first row
    std::int32_t rowBytes = 0;    // distance between rows in bytes
    std::int32_t depth = 0;       // 8, 16 or 32 (float)
    std::int32_t layerWidth = 0;  // full layer size at the current downsampling
    std::int32_t layerHeight = 0;
    double pixelAspect = 1.0;
    double downsampleX = 1.0;     // 1.0 = full resolution
    double downsampleY = 1.0;
    std::uint8_t present = 0;     // 1 when the image exists, 0 for a missing layer
};

} // namespace korvane

#include "tests/framework/ImageCopy.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace korvane {

std::int32_t bytesPerPixel(std::int32_t depth) {
    switch (depth) {
    case 8:
        return 4;
    case 16:
        return 8;
    case 32:
        return 16;
    default:
        return 0;
    }
}

bool copyImage(const ImageDesc& input, const ImageDesc& output) {
    const std::int32_t pixelBytes = bytesPerPixel(output.depth);
    if (pixelBytes == 0 || input.depth != output.depth || output.pixels == nullptr) {
        return false;
    }
    if (output.width <= 0 || output.height <= 0) {
        return true;
    }
    const bool hasInput = input.pixels != nullptr && input.present != 0;
    // The overlap in output columns.
    const std::int32_t from = std::clamp(input.originX - output.originX, 0, output.width);
    const std::int32_t to = std::clamp(input.originX + input.width - output.originX, from, output.width);
    for (std::int32_t y = 0; y < output.height; ++y) {
        auto* row = static_cast<std::byte*>(output.pixels) + std::ptrdiff_t(y) * output.rowBytes;
        const std::int32_t inputY = y + output.originY - input.originY;
        if (!hasInput || inputY < 0 || inputY >= input.height || from == to) {
            std::memset(row, 0, std::size_t(output.width) * std::size_t(pixelBytes));
            continue;
        }
        const auto* source = static_cast<const std::byte*>(input.pixels) +
                             std::ptrdiff_t(inputY) * input.rowBytes +
                             std::ptrdiff_t(from + output.originX - input.originX) * pixelBytes;
        std::memset(row, 0, std::size_t(from) * std::size_t(pixelBytes));
        std::memcpy(row + std::ptrdiff_t(from) * pixelBytes, source,
                    std::size_t(to - from) * std::size_t(pixelBytes));
        std::memset(row + std::ptrdiff_t(to) * pixelBytes, 0,
                    std::size_t(output.width - to) * std::size_t(pixelBytes));
    }
    return true;
}

} // namespace korvane

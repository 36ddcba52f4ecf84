#include "pixels/ScratchBuffer.h"

#include <limits>

namespace korvane {

std::optional<std::size_t> scratchImageBytes(std::int64_t width, std::int64_t height,
                                             std::int64_t pixelBytes) {
    if (width < 0 || height < 0 || pixelBytes <= 0) {
        return std::nullopt;
    }
    if (width > std::numeric_limits<std::int32_t>::max() / pixelBytes) {
        return std::nullopt;
    }
    const std::uint64_t rowBytes = std::uint64_t(width * pixelBytes);
    if (height != 0 && rowBytes > std::numeric_limits<std::size_t>::max() / std::uint64_t(height)) {
        return std::nullopt;
    }
    const std::uint64_t total = rowBytes * std::uint64_t(height);
    // Address arithmetic on the image goes through ptrdiff_t.
    if (total > std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max())) {
        return std::nullopt;
    }
    return std::size_t(total);
}

bool ScratchBuffer::allocate(std::size_t bytes) {
    release();
    // An empty image still gets a block, so that null always means failure.
    data_ = context_.allocate(bytes == 0 ? 1 : bytes);
    return data_ != nullptr;
}

void ScratchBuffer::release() {
    if (data_ != nullptr) {
        context_.release(data_);
        data_ = nullptr;
    }
}

} // namespace korvane

#pragma once
#include "framework/KorvaneRenderContext.h"
#include "pixels/PixelArray.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvane {

// Bytes of an unpadded image of width x height pixels, computed in 64 bits. No value for a negative size,
// a size that does not fit in memory addresses, or a row longer than a 32-bit rowBytes can say: such an
// image cannot be had, which callers report as out of memory.
std::optional<std::size_t> scratchImageBytes(std::int64_t width, std::int64_t height,
                                             std::int64_t pixelBytes);

// Scratch memory of one render from the render context, given back when the buffer goes out of scope, on
// every path.
class ScratchBuffer {
public:
    explicit ScratchBuffer(KorvaneRenderContext& context) : context_(context) {}
    ~ScratchBuffer() { release(); }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;

    // Replaces any earlier block. False when the render context has no memory for it (data() is then null).
    bool allocate(std::size_t bytes);
    void release();
    void* data() const { return data_; }

private:
    KorvaneRenderContext& context_;
    void* data_ = nullptr;
};

// A scratch image of one pixel type with the size and origin of the image it stands for.
template <class Pixel>
class ScratchImage {
public:
    explicit ScratchImage(KorvaneRenderContext& context) : buffer_(context) {}

    // False when the size is impossible or the memory cannot be had; the view is then empty.
    bool allocate(std::int32_t width, std::int32_t height, std::int32_t originX, std::int32_t originY) {
        view_ = PixelArray<Pixel>{};
        const std::optional<std::size_t> bytes = scratchImageBytes(width, height, sizeof(Pixel));
        if (!bytes || !buffer_.allocate(*bytes)) {
            return false;
        }
        view_ = PixelArray<Pixel>::overScratch(width, height, originX, originY, buffer_.data());
        return true;
    }

    const PixelArray<Pixel>& view() const { return view_; }

private:
    ScratchBuffer buffer_;
    PixelArray<Pixel> view_;
};

} // namespace korvane

#include "host/HostImage.h"

#include "host/HostError.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kvhost {

namespace {

// Room after the last row, so a plug-in that writes one row too many hits the sentinel, not the heap.
constexpr int kGuardRows = 1;

template <typename Pixel>
auto& channelOf(Pixel& pixel, int c) {
    switch (c) {
    case 0:
        return pixel.alpha;
    case 1:
        return pixel.red;
    case 2:
        return pixel.green;
    default:
        return pixel.blue;
    }
}

} // namespace

int HostImage::pixelBytes(int depth) {
    switch (depth) {
    case 8:
        return int(sizeof(PF_Pixel));
    case 16:
        return int(sizeof(PF_Pixel16));
    case 32:
        return int(sizeof(PF_PixelFloat));
    default:
        throw HostError("unsupported depth " + std::to_string(depth) + " (8, 16 or 32)");
    }
}

HostImage::HostImage(int width, int height, int depth, int paddingBytes)
    : width_(width), height_(height), depth_(depth) {
    if (width < 0 || height < 0 || paddingBytes < 0) {
        throw HostError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                        " is invalid");
    }
    const std::int64_t rowBytes = std::int64_t(width) * pixelBytes(depth) + paddingBytes;
    if (rowBytes > 0x7FFFFFFF) {
        throw HostError("image rows of " + std::to_string(rowBytes) + " bytes are too wide");
    }
    rowBytes_ = int(rowBytes);
    data_.assign(std::size_t(rowBytes_) * std::size_t(height_ + kGuardRows), kSentinel);
    for (int y = 0; y < height_; ++y) {
        std::memset(row(y), 0, std::size_t(width_) * std::size_t(pixelBytes()));
    }
}

double HostImage::channel(int x, int y, int c) const {
    switch (depth_) {
    case 8:
        return channelOf(at<PF_Pixel>(x, y), c);
    case 16:
        return channelOf(at<PF_Pixel16>(x, y), c);
    default:
        return channelOf(at<PF_PixelFloat>(x, y), c);
    }
}

void HostImage::setChannel(int x, int y, int c, double value) {
    // Not-a-number has no integer value (the conversion would be undefined): it becomes 0, as image files do.
    if (depth_ != 32 && std::isnan(value)) {
        value = 0.0;
    }
    switch (depth_) {
    case 8:
        channelOf(at<PF_Pixel>(x, y), c) = A_u_char(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
        break;
    case 16:
        channelOf(at<PF_Pixel16>(x, y), c) = A_u_short(std::clamp(std::floor(value + 0.5), 0.0, 32768.0));
        break;
    default:
        channelOf(at<PF_PixelFloat>(x, y), c) = float(value);
        break;
    }
}

PF_LayerDef HostImage::world() {
    return world(extent());
}

PF_LayerDef HostImage::world(const PF_LRect& rect) {
    const PF_LRect whole = extent();
    const int left = std::clamp(rect.left, whole.left, whole.right);
    const int right = std::clamp(rect.right, left, whole.right);
    const int top = std::clamp(rect.top, whole.top, whole.bottom);
    const int bottom = std::clamp(rect.bottom, top, whole.bottom);
    PF_LayerDef def{};
    def.world_flags = depth_ == 16 ? PF_WorldFlag_DEEP : 0;
    def.rowbytes = rowBytes_;
    def.width = right - left;
    def.height = bottom - top;
    def.data = (def.width > 0 && def.height > 0)
                   ? row(top - originY_) + std::size_t(left - originX_) * std::size_t(pixelBytes())
                   : nullptr;
    def.extent_hint = PF_LRect{0, 0, def.width, def.height};
    def.pix_aspect_ratio = pixelAspect_;
    def.origin_x = left;
    def.origin_y = top;
    return def;
}

bool HostImage::paddingIntact() const {
    const std::size_t used = std::size_t(width_) * std::size_t(pixelBytes());
    for (int y = 0; y < height_ + kGuardRows; ++y) {
        const std::uint8_t* begin = data_.data() + std::size_t(y) * std::size_t(rowBytes_);
        const std::uint8_t* from = y < height_ ? begin + used : begin;
        if (std::any_of(from, begin + rowBytes_, [](std::uint8_t b) { return b != kSentinel; })) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> HostImage::pixelBytesPacked() const {
    const std::size_t used = std::size_t(width_) * std::size_t(pixelBytes());
    std::vector<std::uint8_t> packed;
    packed.reserve(used * std::size_t(height_));
    for (int y = 0; y < height_; ++y) {
        packed.insert(packed.end(), row(y), row(y) + used);
    }
    return packed;
}

HostImage HostImage::converted(int depth) const {
    HostImage result(width_, height_, depth, rowBytes_ - width_ * pixelBytes());
    result.originX_ = originX_;
    result.originY_ = originY_;
    result.pixelAspect_ = pixelAspect_;
    const double from = depth_ == 32 ? 1.0 : maxValue(depth_);
    const double to = depth == 32 ? 1.0 : maxValue(depth);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            for (int c = 0; c < 4; ++c) {
                result.setChannel(x, y, c, channel(x, y, c) * to / from);
            }
        }
    }
    return result;
}

HostImage HostImage::downsampled(int factorX, int factorY) const {
    if (factorX < 1 || factorY < 1) {
        throw HostError("downsampling by 1/" + std::to_string(factorX) + " x 1/" + std::to_string(factorY));
    }
    const int width = (width_ + factorX - 1) / factorX;
    const int height = (height_ + factorY - 1) / factorY;
    HostImage result(width, height, depth_, rowBytes_ - width_ * pixelBytes());
    result.originX_ = originX_ / factorX;
    result.originY_ = originY_ / factorY;
    result.pixelAspect_ = pixelAspect_;
    std::vector<double> sums(std::size_t(width) * 4, 0.0);
    std::vector<int> counts(std::size_t(width), 0);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        std::fill(counts.begin(), counts.end(), 0);
        const int lastRow = std::min(height_, (y + 1) * factorY);
        for (int sy = y * factorY; sy < lastRow; ++sy) {
            for (int sx = 0; sx < width_; ++sx) {
                const std::size_t x = std::size_t(sx / factorX);
                for (int c = 0; c < 4; ++c) {
                    sums[x * 4 + std::size_t(c)] += channel(sx, sy, c);
                }
                ++counts[x];
            }
        }
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                result.setChannel(x, y, c, sums[std::size_t(x) * 4 + std::size_t(c)] / counts[std::size_t(x)]);
            }
        }
    }
    return result;
}

} // namespace kvhost

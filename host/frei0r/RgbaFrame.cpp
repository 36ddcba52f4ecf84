#include "host/frei0r/RgbaFrame.h"

#include "host/HostError.h"

#include <cstddef>

namespace kvhost {

namespace {

constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kBlue = 2;
constexpr int kAlpha = 3;

} // namespace

HostImage hostImageFromRgba(const std::uint32_t* frame, int width, int height) {
    HostImage image(width, height, 8);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = bytes + std::size_t(y) * std::size_t(width) * 4;
        auto* out = reinterpret_cast<PF_Pixel*>(image.row(y));
        for (int x = 0; x < width; ++x, in += 4) {
            out[x] = PF_Pixel{in[kAlpha], in[kRed], in[kGreen], in[kBlue]};
        }
    }
    return image;
}

void rgbaFromHostImage(const HostImage& image, std::uint32_t* frame) {
    if (image.depth() != 8) {
        throw HostError("a frei0r frame holds 8-bit pixels, not " + std::to_string(image.depth()) + "-bit");
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(frame);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const PF_Pixel*>(image.row(y));
        std::uint8_t* out = bytes + std::size_t(y) * std::size_t(image.width()) * 4;
        for (int x = 0; x < image.width(); ++x, out += 4) {
            out[kRed] = in[x].red;
            out[kGreen] = in[x].green;
            out[kBlue] = in[x].blue;
            out[kAlpha] = in[x].alpha;
        }
    }
}

} // namespace kvhost

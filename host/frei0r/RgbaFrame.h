#pragma once
#include "host/HostImage.h"

#include <cstdint>

namespace kvhost {

// frei0r's RGBA8888 frames: rows of `width` pixels without padding, each pixel four bytes in memory order
// red, green, blue, alpha, whatever the machine's byte order. The host's 8-bit pixels are alpha, red,
// green, blue. Both conversions move bytes only, so a frame that goes through unchanged comes back
// byte for byte.
HostImage hostImageFromRgba(const std::uint32_t* frame, int width, int height);
// The image's pixels into a frame of its width and height.
void rgbaFromHostImage(const HostImage& image, std::uint32_t* frame);

} // namespace kvhost

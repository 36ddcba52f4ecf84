#pragma once
#include "host/HostImage.h"

#include <cstddef>
#include <string>

namespace kvhost {

// The bytes of a PNG file made in memory, for pictures sent rather than stored (the browser editor's panel
// and preview): 8-bit BGRA rows (a panel) as RGB, or RGBA when any alpha byte is below 255; an image of any
// depth as 8-bit RGBA (16-bit and float values scaled to 8 bits as HostImage::converted does). Made anew at
// every edit, so compressed for speed: zlib's fastest level over rows filtered by the row above.
// Throws HostError when memory runs out.
std::string pngFromBgra(const unsigned char* bgra, int width, int height, std::size_t rowBytes);
std::string pngFromImage(const HostImage& image);

} // namespace kvhost

#pragma once
// The render of the framework tests' stand-in effects: the input copied to the output.
#include "framework/ImageDesc.h"

#include <cstdint>

namespace korvane {

// Bytes of one pixel at a depth (8, 16 or 32 bits per channel, four channels); 0 for any other depth.
std::int32_t bytesPerPixel(std::int32_t depth);

// Copies input to output where they overlap in layer coordinates and clears the rest of the output to
// transparent black. Touches only the pixels of each row, never the padding after them. Returns false when
// the two depths differ or a depth is unknown (nothing is written then).
bool copyImage(const ImageDesc& input, const ImageDesc& output);

} // namespace korvane

#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

#include <cstdint>

namespace korvane {

// Paints the whole panel into the image (the view's W x H), background colour as red, green, blue bytes.
void drawEditor(EditorView& view, BgraImage& image, const std::uint8_t background[3]);

} // namespace korvane

#pragma once
// The pictures of the curve editor: icons, the handle-mode strips, masks, frame pieces and the digit font.
#include "BitmapCanvas.h"

#include <string>
#include <vector>

namespace kvbitmaps {

// How one icon sheet looks: the button base, its glyphs and the knobs.
struct SheetStyle {
    Colour baseTop;
    Colour baseBottom;
    Colour border;
    Colour sheen;
    Colour glyph;
    Colour rim;
    Colour knobLight;
    Colour knobDark;
};

SheetStyle normalStyle();
SheetStyle highlightedStyle();

inline constexpr int kIconSize = 48;
inline constexpr int kIconCount = 19;

Canvas drawIcon(int icon, const SheetStyle& style);
Canvas drawLinkedStrip(bool linked);
Canvas drawPanelMask();
Canvas drawToolColumnMask();
Canvas drawFrameCorner();

// The digit font: rows of text, '#' full ink, '+' half ink, anything else empty.
std::vector<std::uint8_t> drawDigitFont();

} // namespace kvbitmaps

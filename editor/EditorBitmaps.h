#pragma once
// The editor's constant pictures, made by editor/bitmaps/GenerateEditorBitmaps.cpp at build time.
// RGB images are red, green, blue bytes per pixel; masks are 8-bit coverage.
#include <cstdint>

namespace korvane::bitmaps {

inline constexpr int kPanelMaskWidth = 30;
inline constexpr int kPanelMaskHeight = 28;
// Nine-slice of the panel mask: rows and columns 0..11 at the top-left corner, the last 17 rows and 19
// columns at the bottom-right, row and column 11 stretched in between.
inline constexpr int kPanelSliceStart = 12;
inline constexpr int kPanelSliceRows = 17;
inline constexpr int kPanelSliceColumns = 19;
inline constexpr int kPanelSliceStretch = 11;

inline constexpr int kIconSize = 48;
inline constexpr int kIconCount = 19;
inline constexpr int kIconPixels = kIconSize * kIconSize;

inline constexpr int kStripWidth = 214;
inline constexpr int kStripHeight = 40;
inline constexpr int kStripPixels = kStripWidth * kStripHeight;

inline constexpr int kToolColumnWidth = 39;
inline constexpr int kToolColumnHeight = 105;

inline constexpr int kFrameCornerSize = 11;
// The frame's corner pieces sit with their pixel (kFrameCornerInset, kFrameCornerInset) on the corner
// pixel of the framed area.
inline constexpr int kFrameCornerInset = 5;

inline constexpr int kFontWidth = 100;
inline constexpr int kFontHeight = 10;
inline constexpr int kGlyphAdvance = 7;
inline constexpr int kGlyphDot = 10;
inline constexpr int kGlyphMinus = 11;
// Font values below this are transparent; above it coverage = (value - 32) / 255.
inline constexpr int kFontInkFloor = 32;

extern const std::uint8_t kPanelMask[kPanelMaskWidth * kPanelMaskHeight];

// Icons 0..18, one after the other; the highlighted sheet is used for active or hovered buttons.
extern const std::uint8_t kIconsNormal[kIconCount * kIconPixels * 3];
extern const std::uint8_t kIconMasksNormal[kIconCount * kIconPixels];
extern const std::uint8_t kIconsHighlighted[kIconCount * kIconPixels * 3];
extern const std::uint8_t kIconMasksHighlighted[kIconCount * kIconPixels];

// The handle-mode strip, each image followed by its mask: [0] not all linked, [1] all linked.
extern const std::uint8_t kLinkedStrips[2][kStripPixels * 4];

extern const std::uint8_t kToolColumnMask[kToolColumnWidth * kToolColumnHeight];

// The plot frame: the top-left corner piece (others are its mirror images) and the coverage of the
// straight edges across their width, per row for the top edge and per column for the left edge; the
// edges take their colour from the corner piece's last column (top edge) and last row (left edge).
extern const std::uint8_t kFrameCorner[kFrameCornerSize * kFrameCornerSize * 3];
extern const std::uint8_t kFrameCornerMask[kFrameCornerSize * kFrameCornerSize];
extern const std::uint8_t kFrameEdgeRows[kFrameCornerSize];
extern const std::uint8_t kFrameEdgeColumns[kFrameCornerSize];

// Glyphs "0".."9", ".", "-", each kGlyphAdvance pixels wide from column kGlyphAdvance * glyph.
extern const std::uint8_t kDigitFont[kFontWidth * kFontHeight];

} // namespace korvane::bitmaps

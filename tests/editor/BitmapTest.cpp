// The constant pictures: the font, the icons and masks fit their places.
#include "editor/EditorBitmaps.h"
#include "editor/EditorLayout.h"
#include "editor/GridPainter.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

using namespace korvane::bitmaps;

int maskAt(const std::uint8_t* masks, int icon, int x, int y) {
    return masks[icon * kIconPixels + y * kIconSize + x];
}

// The icon's ink lies inside [x0, x1) x [y0, y1) of its 48 x 48 cell.
void expectInkWithin(int icon, int x0, int y0, int x1, int y1) {
    for (const std::uint8_t* masks : {kIconMasksNormal, kIconMasksHighlighted}) {
        int inked = 0;
        for (int y = 0; y < kIconSize; ++y) {
            for (int x = 0; x < kIconSize; ++x) {
                const int value = maskAt(masks, icon, x, y);
                inked += value > 0 ? 1 : 0;
                if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                    EXPECT_EQ(value, 0) << "icon " << icon << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(inked, 20) << "icon " << icon;
    }
}

TEST(DigitFontTest, EveryGlyphHasInkInsideItsOwnCell) {
    for (int glyph = 0; glyph < 12; ++glyph) {
        int inked = 0;
        for (int row = 0; row < kFontHeight; ++row) {
            for (int col = 0; col < kGlyphAdvance; ++col) {
                const int value = kDigitFont[row * kFontWidth + glyph * kGlyphAdvance + col];
                EXPECT_TRUE(value == 0 || value >= kFontInkFloor);
                inked += value >= kFontInkFloor ? 1 : 0;
            }
        }
        EXPECT_GE(inked, glyph == kGlyphDot ? 4 : 4) << glyph;
    }
    for (int row = 0; row < kFontHeight; ++row) {
        for (int col = 12 * kGlyphAdvance; col < kFontWidth; ++col) {
            EXPECT_EQ(kDigitFont[row * kFontWidth + col], 0);
        }
    }
}

TEST(DigitFontTest, DigitsAreTellApart) {
    for (int a = 0; a < 12; ++a) {
        for (int b = a + 1; b < 12; ++b) {
            int differing = 0;
            for (int row = 0; row < kFontHeight; ++row) {
                for (int col = 0; col < kGlyphAdvance; ++col) {
                    differing += kDigitFont[row * kFontWidth + a * kGlyphAdvance + col] !=
                                 kDigitFont[row * kFontWidth + b * kGlyphAdvance + col];
                }
            }
            EXPECT_GE(differing, 2) << a << " vs " << b;
        }
    }
}

TEST(IconTest, ButtonIconsStayInsideTheirButtons) {
    for (int icon = 0; icon <= 8; ++icon) {
        expectInkWithin(icon, 5, 5, 43, 43);
    }
    // The fixed-aspect icon shows in the corner between the two colour bars (x 57..70, y H-72..H-54).
    expectInkWithin(9, 1, 1, 14, 19);
    // The mode buttons fill 24 x 19 pixels from (12, 14), with a pixel of shadow.
    for (int icon = 11; icon <= 16; ++icon) {
        expectInkWithin(icon, 12, 14, 37, 35);
    }
}

TEST(IconTest, KnobsFitTheirClickAreas) {
    // Horizontal knob: icon at (x - 24, H - 75), clicked within x - 7..x + 6 and H - 75..H - 46.
    expectInkWithin(kIconHorizontalKnob, 17, 0, 31, 30);
    // Vertical knob: icon at (55, y - 24), clicked within x 55..72 and y - 7..y + 8.
    expectInkWithin(kIconVerticalKnob, 0, 17, 18, 33);
}

TEST(IconTest, TheLinkedToggleHasNoIconOfItsOwn) {
    for (int i = 0; i < kIconPixels; ++i) {
        EXPECT_EQ(kIconMasksNormal[10 * kIconPixels + i], 0);
    }
}

TEST(IconTest, HighlightedAndNormalSheetsDiffer) {
    for (int icon : {0, 1, 8, 11, 17}) {
        int differing = 0;
        for (int i = 0; i < kIconPixels * 3; ++i) {
            differing +=
                kIconsNormal[icon * kIconPixels * 3 + i] != kIconsHighlighted[icon * kIconPixels * 3 + i];
        }
        EXPECT_GT(differing, 50) << icon;
    }
}

TEST(MaskTest, ThePanelMaskIsFullInTheStretchedMiddle) {
    for (int i = 0; i < kPanelMaskWidth; ++i) {
        if (i >= 2 && i < kPanelMaskWidth - 2) {
            EXPECT_EQ(kPanelMask[kPanelSliceStretch * kPanelMaskWidth + i], 255) << i;
        }
    }
    for (int row = 2; row < kPanelMaskHeight - 2; ++row) {
        EXPECT_EQ(kPanelMask[row * kPanelMaskWidth + kPanelSliceStretch], 255) << row;
    }
    EXPECT_EQ(kPanelMask[0], 0); // rounded corner
}

TEST(MaskTest, TheLinkedStripsShowTheLinkDifferently) {
    int differing = 0;
    for (int i = 0; i < kStripPixels * 3; ++i) {
        differing += kLinkedStrips[0][i] != kLinkedStrips[1][i];
    }
    EXPECT_GT(differing, 100);
    // Every strip pixel away from the rounded ends is opaque.
    EXPECT_EQ(kLinkedStrips[0][kStripPixels * 3 + 20 * kStripWidth + 107], 255);
}

TEST(MaskTest, FrameEdgesMatchTheCornerPiece) {
    for (int i = 0; i < kFrameCornerSize; ++i) {
        EXPECT_EQ(kFrameEdgeRows[i], kFrameCornerMask[i * kFrameCornerSize + kFrameCornerSize - 1]);
        EXPECT_EQ(kFrameEdgeColumns[i], kFrameCornerMask[(kFrameCornerSize - 1) * kFrameCornerSize + i]);
    }
    // Inside the framed area the straight edges leave the plot alone.
    for (int i = kFrameCornerInset; i < kFrameCornerSize; ++i) {
        EXPECT_EQ(kFrameEdgeRows[i], 0) << i;
    }
}

} // namespace
} // namespace korvane::test

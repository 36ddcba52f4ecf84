// The drawn panel, checked at pixels whose values follow from the drawing rules.
#include "EditorHarness.h"
#include "PanelGeometry.h"
#include "absolute/AbsoluteEditorPresentation.h"
#include "editor/EditorBitmaps.h"
#include "editor/GridPainter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvane::test {
namespace {

using namespace korvane::bitmaps;

constexpr int kPanel = 116;
constexpr int kToolColumn = 97;
constexpr int kLineGrey = 51;
constexpr std::array<int, 3> kAppBackground{30, 45, 60}; // the app suite's 16-bit colour >> 8

struct Rgb {
    int r, g, b;
};

Rgb rgbOf(const A_u_char* p) {
    return {p[2], p[1], p[0]};
}

int blend(double pixel, double target, double coverage) {
    return static_cast<int>(pixel * (1.0 - coverage) + target * coverage);
}

#define EXPECT_RGB(pixel, R, G, B)                                                                           \
    do {                                                                                                     \
        const Rgb actual_ = rgbOf(pixel);                                                                    \
        EXPECT_EQ(actual_.r, (R));                                                                           \
        EXPECT_EQ(actual_.g, (G));                                                                           \
        EXPECT_EQ(actual_.b, (B));                                                                           \
    } while (false)

TEST(BackgroundTest, TheHostBackgroundShowsAroundTheRoundedPanel) {
    EditorHarness<AbsoluteTraits> h;
    h.draw();
    const double corner = kPanelMask[0] / 255.0;
    EXPECT_RGB(h.panelPixel(0, 0), blend(kAppBackground[0], kPanel, corner),
               blend(kAppBackground[1], kPanel, corner), blend(kAppBackground[2], kPanel, corner));
    // Row 100 is in the stretched middle of the nine-slice: mask row 11.
    const double edge = kPanelMask[11 * kPanelMaskWidth + 3] / 255.0;
    EXPECT_RGB(h.panelPixel(3, 100), blend(kAppBackground[0], kPanel, edge),
               blend(kAppBackground[1], kPanel, edge), blend(kAppBackground[2], kPanel, edge));
    EXPECT_EQ(h.panelPixel(3, 100)[3], 255);
    EXPECT_RGB(h.panelPixel(200, kH - 5), kPanel, kPanel, kPanel);
}

TEST(BackgroundTest, WithoutTheAppSuiteThePanelSurfaceBackgroundIsUsed) {
    EditorHarness<AbsoluteTraits> h;
    h.host.offerAppSuite = false;
    h.draw();
    const double corner = kPanelMask[0] / 255.0;
    EXPECT_RGB(h.panelPixel(0, 0), blend(90, kPanel, corner), blend(100, kPanel, corner),
               blend(110, kPanel, corner));
}

TEST(BackgroundTest, TheToolColumnBackdropIsGrey97) {
    EditorHarness<AbsoluteTraits> h;
    // The pan tool's icon (at y 34) leaves its column x = 5 free.
    ASSERT_EQ(kIconMasksNormal[2 * kIconPixels + 26 * kIconSize + 5], 0);
    ASSERT_EQ(kIconMasksNormal[0 * kIconPixels + 26 * kIconSize + 5], 0);
    h.draw();
    const double c = kToolColumnMask[(60 - 8) * kToolColumnWidth + (10 - 9)] / 255.0;
    const int expected = blend(kPanel, kToolColumn, c);
    EXPECT_RGB(h.panelPixel(10, 60), expected, expected, expected);
    EXPECT_EQ(expected, kToolColumn);
}

TEST(GridTest, ALightLineKeepsMostOfThePixel) {
    EditorHarness<AbsoluteTraits> h;
    h.draw();
    // x = 0.15 is line k = 3 of spacing 0.05: weight 1, strength J = 1 * 4 * 0.05 / 1 = 0.2.
    ASSERT_EQ(pixelX(0.15), 146);
    const double j = 0.2;
    const double keep = 0.98 * (1 - j) + 0.4 * j;
    const int expected = static_cast<int>(kPanel * keep + kLineGrey * (1 - keep));
    EXPECT_RGB(h.panelPixel(146, 16), expected, expected, expected);
    // A full-strength line at x = 0.5 keeps 40 %.
    const int strong = static_cast<int>(kPanel * 0.4 + kLineGrey * 0.6);
    EXPECT_RGB(h.panelPixel(pixelX(0.5), 16), strong, strong, strong);
    EXPECT_RGB(h.panelPixel(150, 16), kPanel, kPanel, kPanel);
}

TEST(GridTest, TheSpacingFollowsTheViewExtent) {
    EXPECT_NEAR(gridAxis(1.0).spacing, 0.05, 1e-15);
    EXPECT_NEAR(gridAxis(0.002).spacing, 0.00005, 1e-18);
    EXPECT_NEAR(gridAxis(7.0).spacing, 0.5, 1e-15);
    EXPECT_NEAR(gridAxis(0.0).spacing, 0.00005, 1e-18); // held at 0.001
    EXPECT_EQ(gridLineWeight(40), 20);
    EXPECT_EQ(gridLineWeight(-30), 10);
    EXPECT_EQ(gridLineWeight(4), 2);
    EXPECT_EQ(gridLineWeight(-3), 1);
}

TEST(GridLabelTest, LabelTextsAtScale255ReadZeroTo255) {
    EXPECT_EQ(gridLabelDecimals(0.05 * 255), 0);
    EXPECT_EQ(gridLabelText(0.0 * 255, 0), "0");
    EXPECT_EQ(gridLabelText(20 * 0.05 * 255, 0), "255");
    EXPECT_EQ(gridLabelText(3 * 0.05 * 255, 0), "38");
    EXPECT_EQ(gridLabelDecimals(0.05), 2);
    EXPECT_EQ(gridLabelText(0.15, 2), "0.15");
    EXPECT_EQ(gridLabelText(-0.5, 2), "-0.50");
    EXPECT_EQ(gridLabelDecimals(0.00005), 5);
}

// Expected pixel of glyph `glyph` drawn black over grey `under` at cell pixel (col, row).
int glyphPixel(int glyph, int col, int row, int under) {
    const int value = kDigitFont[row * kFontWidth + glyph * kGlyphAdvance + col];
    return value < kFontInkFloor ? under : blend(under, 0, (value - kFontInkFloor) / 255.0);
}

TEST(GridLabelTest, XLabelsAreDrawnInTheDigitFont) {
    EditorHarness<AbsoluteTraits> h;
    h.states.scale = 255;
    h.draw();
    // Line x = 0.5 (pixel 325) reads 127: its label starts 8 pixels left of it, 12 above the plot bottom.
    const int left = 325 - 8;
    const int top = kBottom - 12;
    int inked = 0;
    for (int row = 0; row < kFontHeight; ++row) {
        for (int col = 0; col < kGlyphAdvance; ++col) {
            const int one = glyphPixel(1, col, row, kPanel);
            EXPECT_EQ(rgbOf(h.panelPixel(left + col, top + row)).r, one) << col << "," << row;
            const int seven = glyphPixel(7, col, row, kPanel);
            EXPECT_EQ(rgbOf(h.panelPixel(left + 14 + col, top + row)).g, seven) << col << "," << row;
            inked += one != kPanel ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 5);
    // The last line, x = 1, reads 255: its "2" is the part that lies inside the plot.
    for (int row = 0; row < kFontHeight; ++row) {
        for (int col = 0; col < kGlyphAdvance; ++col) {
            EXPECT_EQ(rgbOf(h.panelPixel(kRight - 8 + col, top + row)).b, glyphPixel(2, col, row, kPanel));
        }
    }
}

class NodeDrawingTest : public ::testing::Test {
protected:
    void SetUp() override { middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0); }
    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
    const int cx = pixelX(0.5); // 325
    const int cy = pixelY(0.5); // 139
};

TEST_F(NodeDrawingTest, APlainNodeIsHalfWhiteWithAGreyRing) {
    h.draw();
    // (-2, -4) lies 4.47 from the centre, inside radius 7 - 1, and 4.5 pixels off the curve.
    const int fill = blend(kPanel, 255, 0.5);
    EXPECT_RGB(h.panelPixel(cx - 2, cy - 4), fill, fill, fill);
    // (-3, -5) lies 5.83 from the centre: filled, then the ring at 6 with coverage 1 - 0.17.
    const double ring = 1.0 - std::abs(std::hypot(3.0, 5.0) - 6.0);
    const int both = blend(fill, kLineGrey, ring);
    EXPECT_RGB(h.panelPixel(cx - 3, cy - 5), both, both, both);
    // A linked node has a black centre.
    EXPECT_RGB(h.panelPixel(cx, cy), 0, 0, 0);
}

TEST_F(NodeDrawingTest, TheActiveNodeIsOrangeAndLarger) {
    h.shownState().selected[middle] = 1;
    h.shownState().active = middle;
    h.draw();
    EXPECT_RGB(h.panelPixel(cx - 2, cy - 4), 255, 178, 0);
    // (-3, -7) lies 7.62 from the centre: outside the fill (radius 8.5 - 1), on the ring.
    const double ring = 1.0 - std::abs(std::hypot(3.0, 7.0) - 7.5);
    const int grey = blend(kPanel, kLineGrey, ring);
    EXPECT_RGB(h.panelPixel(cx - 3, cy - 7), grey, grey, grey);
}

TEST(TickTest, ASelectedNodeTicksTheInputBar) {
    // At x = 0.3 (pixel 223), clear of the zoom knob that sits over the middle of the bar.
    EditorHarness<AbsoluteTraits> h;
    const int node = placeNode(h.shownCurve(), 0.3, 0.3, 1.0);
    h.shownState().selected[node] = 1;
    h.draw();
    EditorHarness<AbsoluteTraits> plain;
    placeNode(plain.shownCurve(), 0.3, 0.3, 1.0);
    plain.draw();
    const int x = pixelX(0.3);
    for (int row : {kH - 72, kH - 60, kH - 55}) {
        for (int c = 0; c < 3; ++c) {
            const int under = plain.panelPixel(x, row)[c];
            EXPECT_EQ(h.panelPixel(x, row)[c], static_cast<int>(0.3 * under + 178.5)) << row;
        }
    }
}

TEST(ColourBarTest, TheRedChannelRampsRedAlongBothBars) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation presentation;
    h.presentation = &presentation;
    h.states.current = 4;
    h.draw();
    for (int column : {70, 300, 550}) {
        const float x = static_cast<float>((column - kLeft) / kPlotWidth);
        const int red = static_cast<int>(x * 255.0);
        EXPECT_RGB(h.panelPixel(column, kH - 55), red, 0, 0); // bottom row: the input
        EXPECT_RGB(h.panelPixel(column, kH - 62), red, 0, 0); // lower half
    }
    // The upper half shows the curve's value: the identity, within a hair of x.
    const Rgb top = rgbOf(h.panelPixel(300, kH - 72));
    EXPECT_NEAR(top.r, static_cast<int>(230.0 / 511.0 * 255.0), 1);
    EXPECT_EQ(top.g, 0);
    // The output bar shows each row's y.
    const float y = static_cast<float>((kBottom - 200) / kPlotHeight);
    EXPECT_RGB(h.panelPixel(60, 200), static_cast<int>(y * 255.0), 0, 0);
}

TEST(ColourBarTest, TheRelativeInputBarShowsTheHueCircleAndTheOutputBarIsBlack) {
    EditorHarness<RelativeTraits> h;
    h.curves.basedOn[0] = 2; // brightness based on hue
    h.draw();
    const double v = (300 - kLeft) / kPlotWidth;
    const double a = 2 * 3.14159265358979323846 * v;
    for (int row : {0, 17}) {
        const double f = row / 17.0;
        const double k = (1 - f) * 0.5 * 0.816496;
        const int r = static_cast<int>((0.5 + 0.408248 * k * std::cos(a) + 0.707107 * k * std::sin(a)) * 255);
        const int g = static_cast<int>((0.5 + 0.408248 * k * std::cos(a) - 0.707107 * k * std::sin(a)) * 255);
        const int b = static_cast<int>((0.5 - 0.816496 * k * std::cos(a)) * 255);
        EXPECT_RGB(h.panelPixel(300, kH - 72 + row), r, g, b);
    }
    EXPECT_RGB(h.panelPixel(60, 200), 0, 0, 0);
}

void fillBins(EditorStateSet& states, int array, int count) {
    states.histogramBins[array].fill(count);
}

TEST(HistogramTest, ModeZeroDrawsNothingEvenWithBins) {
    EditorHarness<AbsoluteTraits> plain;
    plain.draw();
    EditorHarness<AbsoluteTraits> h;
    fillBins(h.states, 0, 50);
    h.states.histogramPixels = 64000;
    h.states.histogramMode = 1;
    h.draw();
    EXPECT_EQ(std::memcmp(plain.surface().pixels, h.surface().pixels, std::size_t(700) * 420 * 4), 0);
}

TEST(HistogramTest, TooFewPixelsForABarDrawNothing) {
    EditorHarness<AbsoluteTraits> plain;
    plain.shownState().histogram = 1; // the histogram button shows the same
    plain.draw();
    EditorHarness<AbsoluteTraits> h;
    fillBins(h.states, 0, 50);
    h.states.histogramPixels = 639; // normaliser floor(639 * 1.6 / 1024) = 0
    h.states.histogramMode = 1;
    h.shownState().histogram = 1;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(std::memcmp(plain.surface().pixels, h.surface().pixels, std::size_t(700) * 420 * 4), 0);
}

TEST(HistogramTest, BarsRiseToTheirSmoothedCount) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation presentation;
    h.presentation = &presentation;
    fillBins(h.states, 0, 50);
    h.states.histogramPixels = 64000; // normaliser 100: a count of 50 fills half the plot, 129 rows
    h.states.histogramMode = 1;
    h.shownState().histogram = 1;
    h.draw();
    // The rgb channel's input histogram is dark grey (0.2) at opacity 0.5; its output histogram is empty.
    const int bar = blend(kPanel, 0.2 * 255, 0.5);
    EXPECT_RGB(h.panelPixel(200, kBottom - 1 - 10), bar, bar, bar);
    EXPECT_RGB(h.panelPixel(200, kBottom - 1 - 127), bar, bar, bar); // row 140; 139 is the y = 0.5 line
    EXPECT_RGB(h.panelPixel(200, kBottom - 1 - 140), kPanel, kPanel, kPanel);
}

TEST(HistogramTest, TheAlphaChannelsHistogramsAreBrownThenBlack) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation presentation;
    h.presentation = &presentation;
    h.states.current = 7;
    fillBins(h.states, 0, 50);
    fillBins(h.states, 1, 50);
    h.states.histogramPixels = 64000;
    h.states.histogramMode = 1;
    h.shownState().histogram = 1;
    h.draw();
    const int r = blend(blend(kPanel, 0.36 * 255, 0.5), 0, 0.5);
    const int g = blend(blend(kPanel, 0.288 * 255, 0.5), 0, 0.5);
    const int b = blend(blend(kPanel, 0.12 * 255, 0.5), 0, 0.5);
    EXPECT_RGB(h.panelPixel(200, kBottom - 11), r, g, b);
}

TEST(HistogramTest, StoredCountsOfAnySizeStayInsideTheirArrays) {
    EditorHarness<AbsoluteTraits> h;
    fillBins(h.states, 0, std::numeric_limits<std::int32_t>::max());
    fillBins(h.states, 1, std::numeric_limits<std::int32_t>::min());
    h.states.histogramPixels = std::numeric_limits<std::int32_t>::max();
    h.states.histogramMode = 2;
    h.shownState().histogram = 2;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    h.states.histogramMode = 9; // not a mode: cleared, nothing drawn
    h.draw();
    EXPECT_EQ(h.states.histogramMode, 0);
}

TEST(PanelSizeTest, ANarrowPanelIsDrawn280Wide) {
    EffectWindow window;
    window.frameWidth = 250;
    EditorHarness<AbsoluteTraits> h(window);
    h.draw();
    EXPECT_EQ(h.panelPixel(279, 100)[3], 255);
    EXPECT_EQ(h.panelPixel(280, 100)[3], 0); // beyond the image: untouched
    EXPECT_EQ(h.windowPixel(window.frameLeft - 1, window.frameTop + 100)[3], 0);
}

TEST(PanelSizeTest, TheFrameBeyondTheImageIsFilledWithTheBackground) {
    EffectWindow window;
    window.frameWidth = 301; // the image is 296 wide
    EditorHarness<AbsoluteTraits> h(window);
    h.draw();
    for (int x = 296; x < 301; ++x) {
        for (int y : {0, 100, window.frameHeight - 1}) {
            EXPECT_RGB(h.panelPixel(x, y), kAppBackground[0], kAppBackground[1], kAppBackground[2]);
        }
    }
    EXPECT_EQ(h.panelPixel(301, 100)[3], 0);
    EXPECT_EQ(h.panelPixel(0, window.frameHeight)[3], 0);
}

TEST(ClippingTest, AFrameHangingOffTheWindowAndFarNodesDrawSafely) {
    EffectWindow window;
    window.frameLeft = 500; // 600 wide in a 700 wide window
    window.frameTop = 300;  // 340 high in a 420 high window
    EditorHarness<AbsoluteTraits> h(window);
    Curve& c = h.shownCurve();
    const int far = placeNode(c, 0.5, 0.5, 1.0);
    c.nodes[far].x = 1e9;
    c.nodes[far].y = -1e12;
    c.nodes[far].rightDx = 1e300;
    c.nodes[far].rightMode = HandleMode::Manual;
    h.shownState().selected[far] = 1;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(h.windowPixel(699, 419)[3], 255);
    EXPECT_EQ(h.host.liveHandles(), 0);
}

} // namespace
} // namespace korvane::test

// The Absolute effect's presentation: channel colours, histogram colours, axis colours and its grid.
#include "EditorHarness.h"
#include "PanelGeometry.h"
#include "absolute/AbsoluteEditorPresentation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane::test {
namespace {

constexpr double kTolerance = 1e-6;

void expectColour(const EditorColour& c, double r, double g, double b) {
    EXPECT_NEAR(c.r, r, kTolerance);
    EXPECT_NEAR(c.g, g, kTolerance);
    EXPECT_NEAR(c.b, b, kTolerance);
}

TEST(AbsolutePresentationTest, TheRgbChannelShowsDarkInputAndLightOutputHistograms) {
    const AbsoluteEditorPresentation p;
    const HistogramLayers layers = p.histogramLayers(3, 3, 1, 1);
    ASSERT_EQ(layers.count, 2);
    expectColour(layers.layers[0].colour, 0.2, 0.2, 0.2);
    expectColour(layers.layers[1].colour, 0.8, 0.8, 0.8);
    EXPECT_EQ(layers.layers[0].arrays[0], 0);
    EXPECT_EQ(layers.layers[1].arrays[2], 1);
    EXPECT_EQ(layers.layers[0].opacity, 0.5);
}

TEST(AbsolutePresentationTest, TheAlphaChannelIsBlackWithABrownInputHistogram) {
    const AbsoluteEditorPresentation p;
    expectColour(p.curveColour(7), 0.0, 0.0, 0.0);
    const HistogramLayers layers = p.histogramLayers(7, 7, 1, 1);
    expectColour(layers.layers[0].colour, 0.36, 0.288, 0.12);
    expectColour(layers.layers[1].colour, 0.0, 0.0, 0.0);
}

TEST(AbsolutePresentationTest, ModeTwoIsOneRgbDisplayUnlessTheChannelAsksForModeOne) {
    const AbsoluteEditorPresentation p;
    const HistogramLayers rgb = p.histogramLayers(4, 4, 2, 2);
    ASSERT_EQ(rgb.count, 1);
    EXPECT_EQ(rgb.layers[0].arrays, (std::array<int, 3>{0, 1, 2}));
    expectColour(rgb.layers[0].colour, 0.84, 0.9, 1.0);
    EXPECT_EQ(rgb.layers[0].opacity, 0.7);
    EXPECT_EQ(p.histogramLayers(4, 4, 2, 1).count, 0);
    EXPECT_EQ(p.histogramLayers(4, 4, 0, 2).count, 0);
}

TEST(AbsolutePresentationTest, TheHueRampIsYellowishAtZeroAndRedAtOneSixth) {
    // k = 0.5 * 0.816496 at f = 0; e = 0.408248 c + 0.5, t = 0.707107 s.
    const double k = 0.5 * 0.8164960145950317;
    for (double v : {0.0, 1.0 / 6.0, 0.4}) {
        const double a = 2 * 3.14159265358979323846 * v;
        const double e = 0.40824800729751587 * k * std::cos(a) + 0.5;
        const double t = 0.7071070075035095 * k * std::sin(a);
        const EditorColour c = absoluteAxisColour(2, v, 0.0);
        EXPECT_NEAR(c.r, e + t, 1e-6);
        EXPECT_NEAR(c.g, e - t, 1e-6);
        EXPECT_NEAR(c.b, 0.5 - 0.8164960145950317 * k * std::cos(a), 1e-6);
    }
    const EditorColour zero = absoluteAxisColour(2, 0.0, 0.0);
    EXPECT_NEAR(zero.r, 2.0 / 3.0, 1e-6);
    EXPECT_NEAR(zero.g, 2.0 / 3.0, 1e-6);
    EXPECT_NEAR(zero.b, 1.0 / 6.0, 1e-6);
    const EditorColour sixth = absoluteAxisColour(2, 1.0 / 6.0, 0.0);
    EXPECT_GT(sixth.r, sixth.g + 0.4);
    EXPECT_NEAR(sixth.g, sixth.b, 1e-6);
    // The fade moves it to mid grey.
    expectColour(absoluteAxisColour(2, 0.3, 1.0), 0.5, 0.5, 0.5);
}

TEST(AbsolutePresentationTest, RampsAreClampedAndInSinglePrecision) {
    expectColour(absoluteAxisColour(4, 1.7, 0.0), 1.0, 0.0, 0.0);
    expectColour(absoluteAxisColour(6, -0.3, 0.0), 0.0, 0.0, 0.0);
    EXPECT_EQ(absoluteAxisColour(0, 0.1, 0.0).r, static_cast<double>(0.1f));
}

TEST(AbsolutePresentationTest, TheGridHasNoNegativeLinesAndVerticalLinesEndAtZero) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation p;
    h.presentation = &p;
    for (EditorState& s : h.states.states) {
        s.viewYStart = -0.5;
    }
    h.draw();
    EditorHarness<AbsoluteTraits> standard; // the same view with every grid line
    for (EditorState& s : standard.states.states) {
        s.viewYStart = -0.5;
    }
    standard.draw();
    const int minusQuarter = pixelY(-0.25, -0.5, 1.0); // 225
    const int lineX = pixelX(0.15);                    // a vertical line, 146
    EXPECT_EQ(h.panelPixel(150, minusQuarter)[2], 116);
    EXPECT_LT(standard.panelPixel(150, minusQuarter)[2], 116);
    EXPECT_EQ(h.panelPixel(lineX, 200)[2], 116);
    EXPECT_LT(standard.panelPixel(lineX, 200)[2], 116);
    EXPECT_LT(h.panelPixel(lineX, 100)[2], 116); // above y = 0 the line is there
}

TEST(AbsolutePresentationTest, OtherChannelsAreDrawnFaintlyBehind) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation p;
    h.presentation = &p;
    // The red curve bent far from the others: its line at a quarter strength over the plain panel.
    h.curves.curves[4].nodes[1].y = 0.0;
    h.curves.curves[4].nodes[0].y = 1.0;
    recomputeHandles(h.curves.curves[4], 1.0);
    h.draw();
    // Where the falling red line crosses the middle column, near (0.5, 0.5), grid line y = 0.5 aside:
    // look one column right of the grid line x = 0.5 and find the row of strongest red.
    const int x = pixelX(0.5) + 3;
    int best = 0;
    for (int y = kTop; y < kBottom; ++y) {
        const A_u_char* px = h.panelPixel(x, y);
        best = std::max(best, px[2] - px[1]);
    }
    // Red over grey at opacity 0.25: red rises by 0.25 (255 - grey) at most, green falls by 0.25 grey.
    EXPECT_GT(best, 40);
    EXPECT_LT(best, 100);
}

} // namespace
} // namespace korvane::test

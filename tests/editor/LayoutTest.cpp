// Panel size, element rectangles, knob positions and the gesture words.
#include "editor/DragGesture.h"
#include "editor/EditorLayout.h"
#include "editor/PlotMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvane::test {
namespace {

TEST(LayoutTest, ThePanelIsAtLeast280WideInStepsOf8) {
    EXPECT_EQ(EditorLayout::panelWidth(100), 280);
    EXPECT_EQ(EditorLayout::panelWidth(-5), 280);
    EXPECT_EQ(EditorLayout::panelWidth(287), 280);
    EXPECT_EQ(EditorLayout::panelWidth(288), 288);
    EXPECT_EQ(EditorLayout::panelWidth(9999), 9992);
}

TEST(LayoutTest, ElementsAreFoundInNumberOrder) {
    const EditorLayout layout(600, 340);
    EXPECT_EQ(layout.elementAt(17, 14, 0), EditorElement::EditTool);
    EXPECT_EQ(layout.elementAt(52, 45, 0), EditorElement::EditTool);
    EXPECT_EQ(layout.elementAt(53, 45, 0), EditorElement::None);
    EXPECT_EQ(layout.elementAt(30, 46, 0), EditorElement::PanTool);
    EXPECT_EQ(layout.elementAt(30, 340 - 54 - 152, 0), EditorElement::ResetCurve);
    EXPECT_EQ(layout.elementAt(30, 340 - 54 + 7, 0), EditorElement::Histogram);
    // The link toggle overlaps the left Manual button at 92..95 and wins: it comes first.
    const int strip = (70 + 581 - 214) / 2;
    EXPECT_EQ(layout.elementAt(strip + 93, 310, 0), EditorElement::Linked);
    EXPECT_EQ(layout.elementAt(strip + 80, 310, 0), EditorElement::LeftManual);
    EXPECT_EQ(layout.elementAt(strip + 200, 310, 0), EditorElement::RightSmooth);
    EXPECT_EQ(layout.elementAt(60, 137, 137), EditorElement::VerticalKnob);
}

TEST(LayoutTest, TheKnobSitsAtTheInverseOfTheSliderRule) {
    EXPECT_DOUBLE_EQ(knobPosition(1.0), 0.5);
    EXPECT_NEAR(knobPosition(std::pow(1.4, -10.0)), 1.0, 1e-12);
    EXPECT_NEAR(knobPosition(std::pow(1.4, 10.0)), 0.0, 1e-12);
    EXPECT_EQ(knobPosition(1e-300), 1.0);
    EXPECT_EQ(knobPosition(0.0), 1.0); // no extent at all: as far in as the track goes
    const EditorLayout layout(600, 340);
    EXPECT_EQ(layout.horizontalKnobX(1.0), (77 + 581) / 2);
    EXPECT_EQ(layout.verticalKnobY(1.0), (264 + 10) / 2);
}

TEST(LayoutTest, ATinyPanelStillHasAPlot) {
    const EditorLayout layout(280, 20);
    EXPECT_GE(layout.plot().height(), 1);
    EXPECT_GE(layout.plot().width(), 1);
}

TEST(GestureTest, StartPixelsSurviveThePacking) {
    for (int x : {0, 5, 32767, -7, -32768}) {
        for (int y : {0, 9, -3, 4000}) {
            const std::int64_t packed = packPixel(x, y);
            EXPECT_EQ(packed, std::int64_t(y) * 65536 + x);
            EXPECT_EQ(unpackPixelX(packed), x);
            EXPECT_EQ(unpackPixelY(packed), y);
        }
    }
}

TEST(MappingTest, ViewsWithoutExtentFallBackPerAxis) {
    const ViewBounds defaults{0.0, 1.0, -1.0, 1.0};
    const ViewBounds v = usableView({0.3, 0.3, 0.2, 0.6}, defaults);
    EXPECT_EQ(v.xStart, 0.0);
    EXPECT_EQ(v.xEnd, 1.0);
    EXPECT_EQ(v.yStart, 0.2);
    const double inf = std::numeric_limits<double>::infinity();
    const ViewBounds w = usableView({0.0, 2.0, -inf, 1.0}, defaults);
    EXPECT_EQ(w.xEnd, 2.0);
    EXPECT_EQ(w.yStart, -1.0);
    const ViewBounds huge = usableView({-1e308, 1e308, 0.0, 1.0}, defaults); // extent overflows
    EXPECT_EQ(huge.xStart, 0.0);
}

TEST(MappingTest, PixelsAreTruncatedAndHeldFarFromOverflow) {
    const PlotMapping mapping({70, 10, 581, 268}, {0.0, 1.0, 0.0, 1.0});
    EXPECT_EQ(mapping.pixelX(0.5), 325);
    EXPECT_EQ(mapping.pixelY(0.5), 139);
    EXPECT_EQ(mapping.pixelX(1e300), 100000000);
    EXPECT_EQ(mapping.pixelY(std::nan("")), -100000000);
}

} // namespace
} // namespace korvane::test

// Pan, zoom slider, zoom tool, zoom rectangle and the view settings every curve shares.
#include "EditorHarness.h"
#include "PanelGeometry.h"
#include "editor/PlotMapping.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

constexpr int kKnobX = (kLeft + 7 + kRight) / 2; // knob centre at the middle of the track: 329
constexpr int kKnobY = kH - 60;                  // inside its click area, 15 below the input bar's top

ViewBounds viewOf(const EditorState& s) {
    return {s.viewXStart, s.viewXEnd, s.viewYStart, s.viewYEnd};
}

TEST(PanTest, PanningMovesTheViewWithTheMouse) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.drag(300 - 60, 150 + 40); // far from every snap
    const ViewBounds v = viewOf(h.shownState());
    EXPECT_DOUBLE_EQ(v.xStart, 60 / kPlotWidth);
    EXPECT_DOUBLE_EQ(v.xEnd, 1.0 + 60 / kPlotWidth);
    EXPECT_DOUBLE_EQ(v.yStart, 40 / kPlotHeight);
    EXPECT_DOUBLE_EQ(v.yEnd, 1.0 + 40 / kPlotHeight);
}

TEST(PanTest, YStartingWithinTenPixelsOfZeroSnapsToZero) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.drag(300, 150 - 3); // y would start at -3/258, about -0.0116
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
    EXPECT_EQ(h.shownState().viewYEnd, 1.0);
    h.drag(300, 150 - 15); // -0.058 is more than 10 pixels away
    EXPECT_DOUBLE_EQ(h.shownState().viewYStart, -15 / kPlotHeight);
}

TEST(PanTest, TheRelativeViewSnapsToMinusOne) {
    EditorHarness<RelativeTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.drag(300, 150 - 4); // 4 pixels of a 2-unit range: -1.031
    EXPECT_EQ(h.shownState().viewYStart, -1.0);
    EXPECT_EQ(h.shownState().viewYEnd, 1.0);
}

TEST(PanTest, ShiftPansAlongTheLargerMovementOnly) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.drag(300 - 80, 150 + 30, PF_Mod_SHIFT_KEY);
    EXPECT_DOUBLE_EQ(h.shownState().viewXStart, 80 / kPlotWidth);
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
}

TEST(PanTest, CtrlPansWithTheEditTool) {
    EditorHarness<AbsoluteTraits> h;
    const PF_EventExtra click = h.click(300, 150, PF_Mod_CMD_CTRL_KEY);
    EXPECT_EQ(click.u.do_click.continue_refcon[0], 4);
}

TEST(ZoomSliderTest, TheRightEndOfTheTrackZoomsInTenSteps) {
    EditorHarness<AbsoluteTraits> h;
    const PF_EventExtra click = h.click(kKnobX, kKnobY);
    ASSERT_EQ(click.u.do_click.continue_refcon[0], 2);
    h.drag(kRight + 9, kKnobY);
    const double width = std::pow(1.4, -10.0);
    EXPECT_NEAR(h.shownState().viewXEnd - h.shownState().viewXStart, width, 1e-12);
    // Nothing selected: the view centre stays where it was.
    EXPECT_NEAR(h.shownState().viewXStart, 0.5 - width / 2, 1e-12);
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
    EXPECT_EQ(h.shownState().viewYEnd, 1.0);
}

TEST(ZoomSliderTest, TheLeftEndZoomsOutTenSteps) {
    EditorHarness<AbsoluteTraits> h;
    h.click(kKnobX, kKnobY);
    h.drag(kLeft - 20, kKnobY);
    EXPECT_NEAR(h.shownState().viewXEnd - h.shownState().viewXStart, std::pow(1.4, 10.0), 1e-9);
}

TEST(ZoomSliderTest, FarFromTheTrackTheViewReturnsToItsDefaultSize) {
    EditorHarness<AbsoluteTraits> h;
    h.click(kKnobX, kKnobY);
    h.drag(kRight + 9, kKnobY);
    h.drag(kRight + 9, kKnobY + 40); // more than 22 pixels off the slider's line
    EXPECT_NEAR(h.shownState().viewXEnd - h.shownState().viewXStart, 1.0, 1e-12);
}

TEST(ZoomSliderTest, FixedAspectScalesTheHeightAlong) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().fixedAspect = 1;
    h.click(kKnobX, kKnobY);
    h.drag(kLeft + 511 * 3 / 4, kKnobY); // E = 0.75: 1.4^-5
    const double size = std::pow(1.4, -20.0 * (383.0 / 511.0 - 0.5));
    EXPECT_NEAR(h.shownState().viewXEnd - h.shownState().viewXStart, size, 1e-12);
    EXPECT_NEAR(h.shownState().viewYEnd - h.shownState().viewYStart, size, 1e-12);
}

TEST(ZoomSliderTest, TheSelectionKeepsItsPlaceInTheView) {
    EditorHarness<AbsoluteTraits> h;
    const int a = placeNode(h.shownCurve(), 0.2, 0.2, 1.0);
    const int b = placeNode(h.shownCurve(), 0.4, 0.4, 1.0);
    h.shownState().selected[a] = 1;
    h.shownState().selected[b] = 1;
    h.click(kKnobX, kKnobY);
    h.drag(kRight, kKnobY);
    const double width = std::pow(1.4, -10.0);
    // The selection's centre 0.3 sat at 30 % of the view and stays there.
    EXPECT_NEAR(h.shownState().viewXStart, 0.3 - 0.3 * width, 1e-12);
}

TEST(ZoomSliderTest, TheVerticalKnobZoomsTheHeight) {
    EditorHarness<AbsoluteTraits> h;
    const int knobY = (kBottom - 4 + kTop) / 2; // 137
    const PF_EventExtra click = h.click(60, knobY + 2);
    ASSERT_EQ(click.u.do_click.continue_refcon[0], 2);
    h.drag(60, kTop - 2); // E = 0 at the top: zoomed in
    EXPECT_NEAR(h.shownState().viewYEnd - h.shownState().viewYStart, std::pow(1.4, -10.0), 1e-12);
}

TEST(ZoomToolTest, DraggingRightZoomsInAboutTheClick) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 2;
    const int clickX = kLeft + 128; // a quarter across
    const int clickY = kTop + 129;  // half way down
    h.click(clickX, clickY);
    h.drag(clickX + 20, clickY);
    double x0 = 0.0, x1 = 1.0, y0 = 0.0, y1 = 1.0;
    const double dx = -20.0 / kPlotWidth;
    const double dy = 0.0;
    const double b = 128.0 / kPlotWidth;
    const double o = 129.0 / kPlotHeight;
    for (int pass = 0; pass < 2; ++pass) {
        x0 -= (x1 - x0) * dx * b;
        x1 += (x1 - x0) * (1 - b) * dx;
        y0 += (y1 - y0) * (1 - o) * dy;
        y1 -= (y1 - y0) * dy * o;
    }
    EXPECT_DOUBLE_EQ(h.shownState().viewXStart, x0);
    EXPECT_DOUBLE_EQ(h.shownState().viewXEnd, x1);
    EXPECT_LT(x1 - x0, 1.0);
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
}

TEST(ZoomToolTest, TheViewNeverBecomesNarrowerThanOneThousandth) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 2;
    h.click(300, 140);
    for (int step = 1; step <= 40; ++step) {
        h.drag(300 + 40 * step, 140 - 40 * step);
        EXPECT_GE(h.shownState().viewXEnd - h.shownState().viewXStart, 0.001);
        EXPECT_GE(h.shownState().viewYEnd - h.shownState().viewYStart, 0.001);
    }
}

TEST(ZoomRectangleTest, AltDragWithTheEditToolZoomsToTheRectangle) {
    EditorHarness<AbsoluteTraits> h;
    const PF_EventExtra click = h.click(100, 50, PF_Mod_OPT_ALT_KEY);
    ASSERT_EQ(click.u.do_click.continue_refcon[0], 3);
    h.drag(300, 200, PF_Mod_OPT_ALT_KEY);
    EXPECT_EQ(h.shownState().viewXEnd, 1.0); // nothing changes before the release
    h.release(300, 200, PF_Mod_OPT_ALT_KEY);
    EXPECT_DOUBLE_EQ(h.shownState().viewXStart, unitX(100));
    EXPECT_DOUBLE_EQ(h.shownState().viewXEnd, unitX(300));
    EXPECT_DOUBLE_EQ(h.shownState().viewYStart, unitY(200));
    EXPECT_DOUBLE_EQ(h.shownState().viewYEnd, unitY(50));
}

TEST(ZoomRectangleTest, ASmallRectangleLeavesTheView) {
    EditorHarness<AbsoluteTraits> h;
    h.click(100, 50, PF_Mod_OPT_ALT_KEY);
    h.release(102, 150, PF_Mod_OPT_ALT_KEY);
    EXPECT_EQ(h.shownState().viewXStart, 0.0);
    EXPECT_EQ(h.shownState().viewXEnd, 1.0);
}

TEST(SharedViewTest, TheViewStaysWhenAnotherChannelIsShown) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.release(300 - 60, 150 + 40);
    const ViewBounds panned = viewOf(h.shownState());
    h.states.current = 5; // green
    h.draw();
    const ViewBounds shown = viewOf(h.shownState());
    EXPECT_EQ(shown.xStart, panned.xStart);
    EXPECT_EQ(shown.xEnd, panned.xEnd);
    EXPECT_EQ(shown.yStart, panned.yStart);
    EXPECT_EQ(shown.yEnd, panned.yEnd);
    EXPECT_EQ(h.shownState().toolState, 1);
}

TEST(SharedViewTest, EveryCurveGetsTheViewAfterADrag) {
    EditorHarness<AbsoluteTraits> h;
    h.shownState().toolState = 1;
    h.click(300, 150);
    h.drag(300 - 60, 150 + 40);
    for (const EditorState& s : h.states.states) {
        EXPECT_DOUBLE_EQ(s.viewXStart, 60 / kPlotWidth);
        EXPECT_EQ(s.toolState, 1);
    }
}

TEST(StoredViewTest, AViewWithoutExtentMapsWithTheDefaultView) {
    EditorHarness<AbsoluteTraits> h;
    const int middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0);
    for (EditorState& s : h.states.states) {
        s.viewXStart = 0.5;
        s.viewXEnd = 0.5; // zero width
        s.viewYStart = 2.0;
        s.viewYEnd = -1.0; // negative height
    }
    EXPECT_EQ(h.draw().evt_out_flags & PF_EO_HANDLED_EVENT, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    h.click(pixelX(0.5), pixelY(0.5));
    EXPECT_EQ(h.shownState().active, middle);
    EXPECT_EQ(h.shownState().viewXStart, 0.0);
    EXPECT_EQ(h.shownState().viewXEnd, 1.0);
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
    EXPECT_EQ(h.shownState().viewYEnd, 1.0);
}

} // namespace
} // namespace korvane::test

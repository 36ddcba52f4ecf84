// Dragging a node's handles: the one-pixel floor, single precision, linked and unlinked nodes.
#include "EditorHarness.h"
#include "PanelGeometry.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

class HandleDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0);
        const CurveNode& n = h.shownCurve().nodes[middle];
        // Where the right handle ends on screen: along its direction, at least 9 pixels, rounded up.
        double dx = n.rightDx * kPlotWidth;
        double dy = -n.rightDy * kPlotHeight;
        const double length = std::hypot(dx, dy);
        if (length < 9.0) {
            dx *= 9.0 / length;
            dy *= 9.0 / length;
        }
        endX = static_cast<int>(std::ceil(nodeX + dx));
        endY = static_cast<int>(std::ceil(nodeY + dy));
    }
    CurveNode& node() { return h.shownCurve().nodes[middle]; }

    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
    const int nodeX = pixelX(0.5);
    const int nodeY = pixelY(0.5);
    int endX = 0;
    int endY = 0;
};

TEST_F(HandleDragTest, ClickOnAHandleEndStartsAHandleDrag) {
    ASSERT_GT(std::hypot(endX - nodeX, endY - nodeY), 11.5); // not a node hit
    const PF_EventExtra click = h.click(endX + 3, endY - 2);
    EXPECT_EQ(click.u.do_click.continue_refcon[0], 6);
    EXPECT_EQ(click.u.do_click.continue_refcon[3], middle);
    EXPECT_EQ(click.u.do_click.send_drag, 1);
}

TEST_F(HandleDragTest, AHandleDraggedAcrossItsNodeKeepsOnePixel) {
    h.click(endX, endY);
    h.drag(nodeX - 20, nodeY - 30);
    EXPECT_EQ(node().rightDx, static_cast<double>(static_cast<float>(1.0 / kPlotWidth)));
    EXPECT_EQ(node().rightDy, static_cast<double>(static_cast<float>(30.0 / kPlotHeight)));
    EXPECT_EQ(node().rightMode, HandleMode::Manual);
    EXPECT_TRUE(h.curveFlaggedChanged());
}

TEST_F(HandleDragTest, TheGrabOffsetKeepsTheHandleUnderTheMouse) {
    h.click(endX + 2, endY + 1); // grabbed 2 pixels right of and 1 below its end
    h.drag(nodeX + 62, nodeY - 19);
    EXPECT_FLOAT_EQ(static_cast<float>(node().rightDx), static_cast<float>(60.0 / kPlotWidth));
    EXPECT_FLOAT_EQ(static_cast<float>(node().rightDy), static_cast<float>(20.0 / kPlotHeight));
}

TEST_F(HandleDragTest, ALinkedNodesOppositeHandleTurnsAndKeepsItsLength) {
    ASSERT_EQ(node().linked, 1);
    const double oppositePixels = std::hypot(node().leftDx * kPlotWidth, node().leftDy * kPlotHeight);
    h.click(endX, endY);
    h.drag(nodeX + 40, nodeY + 30); // 40 right, 30 down
    const double along = 40.0;
    const double up = -30.0;
    const double stretch = oppositePixels / std::hypot(along, up);
    EXPECT_FLOAT_EQ(static_cast<float>(node().leftDx), static_cast<float>(along * stretch / kPlotWidth));
    EXPECT_FLOAT_EQ(static_cast<float>(node().leftDy), static_cast<float>(-up * stretch / kPlotHeight));
    EXPECT_EQ(node().leftMode, HandleMode::Manual);
    // Exactly opposite on screen: the left control point lies on the line through the right one.
    const double rightX = node().rightDx * kPlotWidth;
    const double rightY = node().rightDy * kPlotHeight;
    const double leftX = -node().leftDx * kPlotWidth;
    const double leftY = node().leftDy * kPlotHeight;
    EXPECT_NEAR(rightX * leftY - rightY * leftX, 0.0, 1e-3);
    EXPECT_LT(rightX * leftX + rightY * leftY, 0.0);
}

TEST_F(HandleDragTest, AnUnlinkedNodesOppositeHandleStays) {
    node().linked = 0;
    const CurveNode before = node();
    h.click(endX, endY);
    h.drag(nodeX + 40, nodeY + 30);
    EXPECT_EQ(node().leftDx, before.leftDx);
    EXPECT_EQ(node().leftDy, before.leftDy);
    EXPECT_EQ(node().leftMode, before.leftMode);
}

TEST_F(HandleDragTest, ShiftKeepsTheHandleLevel) {
    h.click(endX, endY);
    h.drag(nodeX + 40, nodeY - 25, PF_Mod_SHIFT_KEY);
    EXPECT_EQ(node().rightDy, 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(node().rightDx), static_cast<float>(40.0 / kPlotWidth));
}

TEST_F(HandleDragTest, LinearSidesHaveNoHandleToGrab) {
    node().rightMode = HandleMode::Linear;
    recomputeHandles(h.shownCurve(), 1.0);
    const PF_EventExtra click = h.click(endX, endY);
    EXPECT_NE(click.u.do_click.continue_refcon[0], 6);
}

} // namespace
} // namespace korvane::test

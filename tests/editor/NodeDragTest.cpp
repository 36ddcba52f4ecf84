// Dragging nodes: edges, snapping, dragging out of the panel and back, the axis lock.
#include "EditorHarness.h"
#include "PanelGeometry.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

class NodeDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nodes (0, 0) and (0.5, 0.5): nothing at x = 1 for a dragged node to collide with.
        deleteNode(h.shownCurve(), 1, 1.0);
        middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0);
    }
    const CurveNode& node() { return h.shownCurve().nodes[middle]; }

    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
    const int nodeX = pixelX(0.5); // 325
    const int nodeY = pixelY(0.5); // 139
};

TEST_F(NodeDragTest, ANodeFollowsTheMouse) {
    h.click(nodeX, nodeY);
    h.drag(nodeX + 40, nodeY - 20);
    // The grab offset is 0: the node lands on the pixel under the mouse.
    EXPECT_DOUBLE_EQ(node().x, unitX(nodeX + 40));
    EXPECT_DOUBLE_EQ(node().y, unitY(nodeY - 20));
    EXPECT_TRUE(h.curveFlaggedChanged());
}

TEST_F(NodeDragTest, NothingMovesWithinOnePixelOfTheClick) {
    h.click(nodeX, nodeY);
    h.drag(nodeX + 1, nodeY - 1);
    EXPECT_EQ(node().x, 0.5);
    EXPECT_EQ(node().y, 0.5);
    EXPECT_FALSE(h.curveFlaggedChanged());
}

TEST_F(NodeDragTest, DraggingBeyondTheRightEdgeStopsAtTheEdge) {
    // A view 0..2 wide puts the right edge at x = 2, away from the snap to 1.
    for (EditorState& s : h.states.states) {
        s.viewXEnd = 2.0;
    }
    const int x = pixelX(0.5, 0.0, 2.0);
    h.click(x, nodeY);
    h.drag(kRight + 30, nodeY);
    EXPECT_DOUBLE_EQ(node().x, unitX(kRight, 0.0, 2.0));
    EXPECT_DOUBLE_EQ(node().x, 2.0);
    EXPECT_DOUBLE_EQ(node().y, unitY(nodeY));
}

TEST_F(NodeDragTest, WithinSevenPixelsOfOneTheNodeSnapsToOne) {
    h.click(nodeX, nodeY);
    h.drag(kRight - 6, nodeY);
    EXPECT_EQ(node().x, 1.0);
    h.drag(kRight - 9, nodeY);
    EXPECT_DOUBLE_EQ(node().x, unitX(kRight - 9));
}

TEST_F(NodeDragTest, WithinSevenPixelsOfZeroTheNodeSnapsToZero) {
    h.click(nodeX, nodeY);
    h.drag(nodeX, kBottom - 5);
    EXPECT_EQ(node().y, 0.0);
}

TEST_F(NodeDragTest, AllSelectedNodesMoveByTheSameOffset) {
    const int other = placeNode(h.shownCurve(), 0.3, 0.6, 1.0);
    h.shownState().selected[other] = 1;
    h.shownState().selected[middle] = 1;
    h.click(nodeX, nodeY);
    h.drag(nodeX + 20, nodeY + 10);
    const double dx = unitX(nodeX + 20) - 0.5;
    const double dy = unitY(nodeY + 10) - 0.5;
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[other].x, 0.3 + dx);
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[other].y, 0.6 + dy);
    EXPECT_EQ(h.shownCurve().nodes[0].x, 0.0); // not selected
}

TEST_F(NodeDragTest, ShiftLocksTheMoveToTheLargerAxis) {
    h.click(nodeX, nodeY);
    h.drag(nodeX + 30, nodeY - 8, PF_Mod_SHIFT_KEY);
    EXPECT_DOUBLE_EQ(node().x, unitX(nodeX + 30));
    EXPECT_DOUBLE_EQ(node().y, unitY(nodeY));
}

TEST_F(NodeDragTest, DraggingOutOfThePanelRemovesAndBackRestores) {
    h.click(nodeX, nodeY);
    h.drag(kRight + 36, nodeY);
    EXPECT_EQ(node().active, 0);
    h.drag(kRight + 34, nodeY);
    EXPECT_EQ(node().active, 1);
    EXPECT_EQ(node().x, 1.0); // held at the edge, which is the snap point
    h.drag(nodeX + 10, kTop - 26);
    EXPECT_EQ(node().active, 0);
    h.drag(nodeX + 10, nodeY);
    EXPECT_EQ(node().active, 1);
    EXPECT_DOUBLE_EQ(node().x, unitX(nodeX + 10));
    h.release(nodeX + 10, nodeY);
    EXPECT_EQ(node().active, 1);
    EXPECT_EQ(h.shownState().active, middle);
}

TEST_F(NodeDragTest, ReleasedOutsideTheNodeIsDeleted) {
    h.click(nodeX, nodeY);
    h.drag(nodeX, kBottom + 40);
    EXPECT_TRUE(h.curveFlaggedChanged());
    h.release(nodeX, kBottom + 40);
    EXPECT_EQ(node().active, 0);
    EXPECT_EQ(h.shownState().active, -1);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_EQ(activeCount(h.shownCurve()), 1);
}

TEST_F(NodeDragTest, TheLastDragEventEndsTheGesture) {
    const PF_EventExtra click = h.click(nodeX, nodeY);
    EXPECT_EQ(click.u.do_click.send_drag, 1);
    EXPECT_EQ(click.u.do_click.continue_refcon[0], 1);
    const PF_EventExtra last = h.release(nodeX + 5, nodeY);
    for (A_intptr_t word : last.u.do_click.continue_refcon) {
        EXPECT_EQ(word, 0);
    }
}

} // namespace
} // namespace korvane::test

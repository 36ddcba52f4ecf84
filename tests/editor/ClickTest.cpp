// Clicks in the plot: which node a click hits, how modifier keys select, delete and add.
#include "EditorHarness.h"
#include "PanelGeometry.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

class ClickTest : public ::testing::Test {
protected:
    void SetUp() override { middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0); }

    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
    // The node at (0.5, 0.5) sits at pixel (325, 139).
    const int nodeX = pixelX(0.5);
    const int nodeY = pixelY(0.5);
};

TEST_F(ClickTest, ClickElevenPixelsFromANodeHitsIt) {
    ASSERT_EQ(nodeX, 325);
    ASSERT_EQ(nodeY, 139);
    h.click(nodeX, nodeY - 11);
    EXPECT_EQ(h.shownState().active, middle);
    EXPECT_EQ(h.shownState().selected[middle], 1);
    EXPECT_EQ(activeCount(h.shownCurve()), 3);
}

TEST_F(ClickTest, ClickTwelvePixelsFromANodeMissesIt) {
    // Still near the curve, so the click adds a node of its own instead.
    h.click(nodeX, nodeY - 12);
    EXPECT_NE(h.shownState().active, middle);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_EQ(activeCount(h.shownCurve()), 4);
}

TEST_F(ClickTest, TheNearestNodeWins) {
    const int other = placeNode(h.shownCurve(), 0.52, 0.5, 1.0); // 10 pixels right of the middle node
    h.click(pixelX(0.52) - 3, nodeY);
    EXPECT_EQ(h.shownState().active, other);
}

TEST_F(ClickTest, CtrlTogglesOneNodeAndKeepsTheRest) {
    h.click(pixelX(0.0), pixelY(0.0)); // select the node at (0, 0), slot 0
    h.release(pixelX(0.0), pixelY(0.0));
    ASSERT_EQ(h.shownState().selected[0], 1);

    h.click(nodeX, nodeY, PF_Mod_CMD_CTRL_KEY);
    h.release(nodeX, nodeY, PF_Mod_CMD_CTRL_KEY);
    EXPECT_EQ(h.shownState().selected[0], 1);
    EXPECT_EQ(h.shownState().selected[middle], 1);
    EXPECT_EQ(h.shownState().active, middle);

    h.click(nodeX, nodeY, PF_Mod_CMD_CTRL_KEY);
    h.release(nodeX, nodeY, PF_Mod_CMD_CTRL_KEY);
    EXPECT_EQ(h.shownState().selected[0], 1);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_EQ(h.shownState().active, -1);
}

TEST_F(ClickTest, ClickOnASelectedNodeKeepsTheSelection) {
    h.shownState().selected[0] = 1;
    h.shownState().selected[middle] = 1;
    h.click(nodeX, nodeY);
    EXPECT_EQ(h.shownState().selected[0], 1);
    EXPECT_EQ(h.shownState().active, middle);
}

TEST_F(ClickTest, AltDeletesTheNodeAndAddsNothingBack) {
    h.shownState().selected[middle] = 1;
    h.click(nodeX, nodeY, PF_Mod_OPT_ALT_KEY);
    EXPECT_EQ(h.shownCurve().nodes[middle].active, 0);
    EXPECT_EQ(h.shownState().active, -1);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_EQ(activeCount(h.shownCurve()), 2);
    EXPECT_TRUE(h.curveFlaggedChanged());
    EXPECT_EQ(h.lastEvent.u.do_click.send_drag, 0);
}

TEST_F(ClickTest, ShiftAddsANodeOnTheNeutralLine) {
    // Far from the curve: (0.3, 0.85) is 140 pixels above it.
    const int x = pixelX(0.3);
    h.click(x, pixelY(0.85), PF_Mod_SHIFT_KEY);
    const int added = h.shownState().active;
    ASSERT_GE(added, 0);
    const CurveNode& node = h.shownCurve().nodes[added];
    EXPECT_DOUBLE_EQ(node.x, unitX(x));
    EXPECT_DOUBLE_EQ(node.y, node.x); // the Absolute neutral line is y = x
    EXPECT_EQ(h.shownState().selected[added], 1);
    EXPECT_TRUE(h.curveFlaggedChanged());
    EXPECT_EQ(h.lastEvent.u.do_click.continue_refcon[0], 1); // a node drag starts on it
}

TEST(RelativeClickTest, ShiftAddsANodeAtZeroChange) {
    EditorHarness<RelativeTraits> h;
    // Relative view y runs -1..1.
    const int x = pixelX(0.6);
    h.click(x, pixelY(0.7, -1.0, 1.0), PF_Mod_SHIFT_KEY);
    const int added = h.shownState().active;
    ASSERT_GE(added, 0);
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[added].x, unitX(x));
    EXPECT_EQ(h.shownCurve().nodes[added].y, 0.0);
}

TEST_F(ClickTest, ClickNearTheCurveAddsANodeOnIt) {
    const int x = pixelX(0.3);
    h.click(x, pixelY(0.3) - 5);
    const int added = h.shownState().active;
    ASSERT_GE(added, 0);
    EXPECT_NEAR(h.shownCurve().nodes[added].y, unitX(x), 1e-4); // on the (nearly) identity curve
}

TEST_F(ClickTest, DoubleClickOnANodeSelectsEveryNode) {
    h.click(nodeX, nodeY, PF_Mod_NONE, 2);
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        EXPECT_EQ(h.shownState().selected[slot], h.shownCurve().nodes[slot].active) << slot;
    }
}

TEST_F(ClickTest, ClickAwayFromTheCurveClearsTheSelectionAndStartsARubberBand) {
    h.shownState().selected[middle] = 1;
    h.shownState().active = middle;
    h.click(pixelX(0.2), pixelY(0.8));
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_EQ(h.shownState().active, -1);
    EXPECT_EQ(h.lastEvent.u.do_click.continue_refcon[0], 7);
    EXPECT_EQ(h.lastEvent.u.do_click.send_drag, 1);
}

TEST_F(ClickTest, RubberBandSelectsTheNodesInsideIt) {
    h.click(pixelX(0.4), pixelY(0.6));
    h.drag(pixelX(0.6), pixelY(0.4));
    EXPECT_EQ(h.shownState().selected[middle], 1);
    EXPECT_EQ(h.shownState().selected[0], 0);
    EXPECT_EQ(h.shownState().active, middle);
    EXPECT_EQ(h.shownState().rubberBand, 1);
    h.release(pixelX(0.6), pixelY(0.4));
    EXPECT_EQ(h.shownState().rubberBand, 0);
    EXPECT_EQ(h.lastEvent.u.do_click.continue_refcon[0], 0);
}

TEST_F(ClickTest, AddingToAFullCurveDoesNothing) {
    Curve& curve = h.shownCurve();
    for (int k = 0; activeCount(curve) < kCurveSlots; ++k) {
        placeNode(curve, 0.01 + 0.02 * k, 0.01 + 0.02 * k, 1.0);
    }
    const Curve before = curve;
    h.click(pixelX(0.3), pixelY(0.9), PF_Mod_SHIFT_KEY);
    EXPECT_EQ(std::memcmp(&before, &curve, sizeof curve), 0);
    EXPECT_FALSE(h.curveFlaggedChanged());
}

} // namespace
} // namespace korvane::test

// The editor's buttons: tools, actions, the histogram nudge, handle modes and the link toggle.
#include "EditorHarness.h"
#include "PanelGeometry.h"
#include "absolute/AbsoluteEditorPresentation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane::test {
namespace {

// Button centres worked out from the layout: left column x 17..53; f = H - 54 = 286; the mode strip
// starts at (70 + 581 - 214) / 2 = 218 and its buttons span y 302..321.
constexpr int kColumn = 30;
constexpr int kEditY = 20, kPanY = 60, kZoomY = 90;
constexpr int kResetCurveY = 150, kResetViewY = 180, kFitY = 210, kInvertY = 245, kHistogramY = 270;
constexpr int kStripY = 310;
constexpr int kLeftSmoothX = 240, kLeftLinearX = 270, kLeftManualX = 300, kLinkedX = 325;
constexpr int kRightManualX = 350, kRightLinearX = 375, kRightSmoothX = 405;

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        middle = placeNode(h.shownCurve(), 0.3, 0.6, 1.0);
        h.shownState().selected[middle] = 1;
        h.shownState().active = middle;
    }
    CurveNode& node() { return h.shownCurve().nodes[middle]; }

    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
};

TEST_F(ButtonTest, ToolButtonsChooseTheTool) {
    h.click(kColumn, kPanY);
    EXPECT_EQ(h.shownState().toolState, 1);
    h.click(kColumn, kZoomY);
    EXPECT_EQ(h.shownState().toolState, 2);
    h.click(kColumn, kEditY);
    EXPECT_EQ(h.shownState().toolState, 0);
    EXPECT_EQ(h.states.states[0].toolState, 0);
    EXPECT_FALSE(h.curveFlaggedChanged());
}

TEST_F(ButtonTest, TheFixedAspectButtonToggles) {
    h.click(60, kH - 60);
    EXPECT_EQ(h.shownState().fixedAspect, 1);
    h.click(60, kH - 60);
    EXPECT_EQ(h.shownState().fixedAspect, 0);
}

TEST_F(ButtonTest, TheHistogramButtonCyclesAndNudgesEveryNodeOneStep) {
    std::array<double, kCurveSlots> before{};
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        before[slot] = h.shownCurve().nodes[slot].x;
    }
    h.click(kColumn, kHistogramY);
    EXPECT_EQ(h.shownState().histogram, 1);
    EXPECT_TRUE(h.curveFlaggedChanged());
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& n = h.shownCurve().nodes[slot];
        EXPECT_EQ(n.x, n.active != 0 ? std::nextafter(before[slot], 2.0) : before[slot]) << slot;
    }
    h.click(kColumn, kHistogramY);
    EXPECT_EQ(h.shownState().histogram, 2);
    EXPECT_TRUE(h.curveFlaggedChanged());
    h.click(kColumn, kHistogramY);
    EXPECT_EQ(h.shownState().histogram, 0);
    EXPECT_FALSE(h.curveFlaggedChanged());
}

TEST_F(ButtonTest, InvertMirrorsTheCurveAboutTheDiagonal) {
    h.click(kColumn, kInvertY);
    EXPECT_EQ(node().x, 0.6);
    EXPECT_EQ(node().y, 0.3);
    EXPECT_TRUE(h.curveFlaggedChanged());
}

TEST_F(ButtonTest, ResetCurveRestoresTheIdentityAndClearsTheSelection) {
    h.click(kColumn, kResetCurveY);
    const Curve& c = h.shownCurve();
    EXPECT_EQ(activeCount(c), 2);
    EXPECT_EQ(c.nodes[0].x, 0.0);
    EXPECT_EQ(c.nodes[1].y, 1.0);
    EXPECT_EQ(h.shownState().active, -1);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    EXPECT_TRUE(h.curveFlaggedChanged());
}

TEST(AbsoluteButtonTest, ResetOfTheHueCurveGivesOneLoopingNode) {
    EditorHarness<AbsoluteTraits> h;
    AbsoluteEditorPresentation presentation;
    h.presentation = &presentation;
    h.states.current = 2;
    placeNode(h.shownCurve(), 0.2, 0.7, 1.0);
    h.click(kColumn, kResetCurveY);
    const Curve& hue = h.shownCurve();
    EXPECT_EQ(hue.loop, 1);
    EXPECT_EQ(activeCount(hue), 1);
    EXPECT_EQ(hue.nodes[0].x, 0.5);
    EXPECT_EQ(hue.nodes[0].y, 0.5);
}

TEST_F(ButtonTest, ResetViewAndFit) {
    for (EditorState& s : h.states.states) {
        s.viewYStart = -0.5;
        s.viewYEnd = 0.5;
    }
    h.click(kColumn, kResetViewY);
    EXPECT_EQ(h.shownState().viewYStart, 0.0);
    EXPECT_EQ(h.shownState().viewYEnd, 1.0);

    for (EditorState& s : h.states.states) {
        s.viewYStart = -0.5;
        s.viewYEnd = 0.5;
    }
    // Nodes and handle ends span y 0..1: the view keeps its height and centres on them.
    h.click(kColumn, kFitY);
    EXPECT_DOUBLE_EQ(h.shownState().viewYStart, 0.0);
    EXPECT_DOUBLE_EQ(h.shownState().viewYEnd, 1.0);
    EXPECT_EQ(h.shownState().viewXStart, 0.0);
}

TEST_F(ButtonTest, AModeButtonSetsItsSideAndTheOtherOnLinkedNodes) {
    ASSERT_EQ(node().linked, 1);
    h.click(kLeftLinearX, kStripY);
    EXPECT_EQ(node().leftMode, HandleMode::Linear);
    EXPECT_EQ(node().rightMode, HandleMode::Linear);
    EXPECT_TRUE(h.curveFlaggedChanged());

    node().linked = 0;
    h.click(kRightManualX, kStripY);
    EXPECT_EQ(node().rightMode, HandleMode::Manual);
    EXPECT_EQ(node().leftMode, HandleMode::Linear);
    h.click(kLeftSmoothX, kStripY);
    EXPECT_EQ(node().leftMode, HandleMode::Smooth);
    h.click(kLeftManualX, kStripY);
    EXPECT_EQ(node().leftMode, HandleMode::Manual);
    h.click(kRightSmoothX, kStripY);
    EXPECT_EQ(node().rightMode, HandleMode::Smooth);
    h.click(kRightLinearX, kStripY);
    EXPECT_EQ(node().rightMode, HandleMode::Linear);
    EXPECT_EQ(node().leftMode, HandleMode::Manual);
}

TEST_F(ButtonTest, ALinearSideFollowsTheHandleRule) {
    node().linked = 0;
    h.click(kRightLinearX, kStripY);
    // One third of the way to the right neighbour (1, 1), plus the rule's 0.0001.
    EXPECT_DOUBLE_EQ(node().rightDx, (1.0 - 0.3) * 0.33 + 0.0001);
    EXPECT_DOUBLE_EQ(node().rightDy, (1.0 - 0.6) * 0.33);
}

TEST_F(ButtonTest, DoubleClickOnAModeButtonSetsEveryNodeAndLinksIt) {
    h.shownState().selected[middle] = 0;
    node().linked = 0;
    h.click(kRightManualX, kStripY, PF_Mod_NONE, 2);
    for (const CurveNode& n : h.shownCurve().nodes) {
        if (n.active != 0) {
            EXPECT_EQ(n.leftMode, HandleMode::Manual);
            EXPECT_EQ(n.rightMode, HandleMode::Manual);
            EXPECT_EQ(n.linked, 1);
        }
    }
}

TEST_F(ButtonTest, TheLinkButtonUnlinksWhenAllAreLinkedElseLinksAll) {
    const int other = placeNode(h.shownCurve(), 0.7, 0.2, 1.0);
    h.shownState().selected[other] = 1;
    h.click(kLinkedX, kStripY);
    EXPECT_EQ(node().linked, 0);
    EXPECT_EQ(h.shownCurve().nodes[other].linked, 0);
    EXPECT_TRUE(h.curveFlaggedChanged());
    h.shownCurve().nodes[other].linked = 1;
    h.click(kLinkedX, kStripY);
    EXPECT_EQ(node().linked, 1);
    EXPECT_EQ(h.shownCurve().nodes[other].linked, 1);
}

} // namespace
} // namespace korvane::test

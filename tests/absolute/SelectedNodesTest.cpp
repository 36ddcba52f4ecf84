// Moving the selected nodes from the node value and colour parameters.
#include "absolute/SelectedNodes.h"
#include "tests/absolute/TestCurves.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvane::testing {
namespace {

EditorState stateWith(int active, std::initializer_list<int> selected) {
    EditorState state{};
    resetEditorState(state, EditorDefaults{3, 0.0});
    state.active = active;
    for (const int slot : selected) {
        state.selected[std::size_t(slot)] = 1;
    }
    return state;
}

TEST(SelectedNodes, TheActiveNodeLandsOnTheTargetAndTheSelectionMovesAlong) {
    Curve curve = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {0.8, 0.6}, {1.0, 1.0}});
    const EditorState state = stateWith(1, {1, 3});
    ASSERT_TRUE(moveSelectedNodes(curve, state, 2.0, 0.5, 1.0));
    EXPECT_EQ(curve.nodes[1].x, 2.0);
    EXPECT_EQ(curve.nodes[1].y, 0.5);
    EXPECT_EQ(curve.nodes[3].x, 2.5);
    EXPECT_EQ(curve.nodes[3].y, 1.25);
    // Not selected: stays.
    EXPECT_EQ(curve.nodes[0].x, 0.0);
    EXPECT_EQ(curve.nodes[2].x, 0.8);
}

TEST(SelectedNodes, TheActiveNodeMovesEvenWhenTheSelectionLeftItOut) {
    Curve curve = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {1.0, 1.0}});
    ASSERT_TRUE(moveSelectedNodes(curve, stateWith(1, {}), 0.4, 0.3, 1.0));
    EXPECT_EQ(curve.nodes[1].x, 0.4);
    EXPECT_EQ(curve.nodes[1].y, 0.3);
}

TEST(SelectedNodes, NothingWrapsOrIsNudged) {
    // A looping curve keeps x = 1.25, and a node may land on another's x.
    Curve hue = makeCurve({{0.5, 0.5}}, HandleMode::Smooth, true);
    ASSERT_TRUE(moveSelectedNodes(hue, stateWith(0, {0}), 1.25, 0.5, 1.0));
    EXPECT_EQ(hue.nodes[0].x, 1.25);
    Curve curve = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {1.0, 1.0}});
    ASSERT_TRUE(moveSelectedNodes(curve, stateWith(1, {1}), 1.0, 0.9, 1.0));
    EXPECT_EQ(curve.nodes[1].x, 1.0);
}

TEST(SelectedNodes, TheHandlesFollowTheMovedNodes) {
    Curve curve = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {1.0, 1.0}});
    const double before = curve.nodes[0].rightDy;
    ASSERT_TRUE(moveSelectedNodes(curve, stateWith(1, {1}), 0.5, 0.75, 1.0));
    // The first node's handle points along the chord to its new neighbour, now above the diagonal.
    EXPECT_GT(curve.nodes[0].rightDy, before);
    EXPECT_GT(curve.nodes[0].rightDy, curve.nodes[0].rightDx);
}

TEST(SelectedNodes, WithoutAnActiveNodeOrAFiniteTargetNothingMoves) {
    const Curve original = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {1.0, 1.0}});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // No node, a slot index outside 0..39, an empty slot, targets that are not numbers.
    const struct {
        int active;
        double x;
        double y;
    } cases[] = {{-1, 0.3, 0.3}, {40, 0.3, 0.3}, {7, 0.3, 0.3}, {1, nan, 0.3}, {1, 0.3, inf}};
    for (const auto& c : cases) {
        Curve curve = original;
        EditorState state = stateWith(0, {0, 1, 2});
        state.active = c.active;
        EXPECT_FALSE(moveSelectedNodes(curve, state, c.x, c.y, 1.0)) << c.active;
        EXPECT_EQ(curve.nodes[1].x, 0.5);
        EXPECT_EQ(curve.nodes[0].y, 0.0);
    }
    EXPECT_EQ(activeNodeSlot(original, stateWith(7, {})), -1);
    EXPECT_EQ(activeNodeSlot(original, stateWith(2, {})), 2);
}

} // namespace
} // namespace korvane::testing

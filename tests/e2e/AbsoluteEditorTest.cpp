// The curve editor of the Absolute effect in the host's panel: the channel's axis colours on both bars,
// and an edit in the panel that reaches the curve and the node controls.
#include "tests/e2e/AbsoluteEffect.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 340;
// Panel layout: plot from x 70 to width - 19 and y 10 to height - 72; the input bar below it down to
// height - 54, the output bar from x 57 to 70.
constexpr int kPlotLeft = 70;
constexpr int kPlotRight = kWidth - 19;
constexpr int kPlotTop = 10;
constexpr int kPlotBottom = kHeight - 72;
constexpr int kInputBarLower = kHeight - 57;
constexpr int kOutputBarMiddle = 63;

struct Bgr {
    int blue;
    int green;
    int red;
};

Bgr panelPixel(AbsoluteEffect& effect, int x, int y) {
    const A_u_char* p = effect->panel().pixel(x, y);
    return {p[0], p[1], p[2]};
}

void drawPanel(AbsoluteEffect& effect) {
    effect->setPanelSize(kWidth, kHeight);
    kvhost::EventRequest draw;
    draw.type = PF_Event_DRAW;
    ASSERT_EQ(effect->sendEvent(draw).result, PF_Err_NONE);
    ASSERT_EQ(effect->problems(), "");
}

TEST(AbsoluteEditor, TheRedChannelShowsRedRampsOnBothBars) {
    AbsoluteEffect effect;
    effect->setNumber(kChannelParam, 5);
    ASSERT_EQ(effect->userChangedParam(kChannelParam), PF_Err_NONE);
    drawPanel(effect);
    // Output bar: bright red at the top (y = 1), dark at the bottom (y = 0).
    const Bgr top = panelPixel(effect, kOutputBarMiddle, kPlotTop + 5);
    const Bgr bottom = panelPixel(effect, kOutputBarMiddle, kPlotBottom - 5);
    EXPECT_GT(top.red, 220);
    EXPECT_LT(bottom.red, 30);
    EXPECT_EQ(top.green + top.blue, 0);
    // Input bar, lower half: the input x, dark at the left and bright at the right.
    const Bgr left = panelPixel(effect, kPlotLeft + 8, kInputBarLower);
    const Bgr right = panelPixel(effect, kPlotRight - 8, kInputBarLower);
    EXPECT_LT(left.red, 30);
    EXPECT_GT(right.red, 220);
    EXPECT_EQ(right.green + right.blue, 0);
}

TEST(AbsoluteEditor, AClickOnTheCurveAddsANodeThatTheNodeControlsShow) {
    AbsoluteEffect effect;
    effect->setPanelSize(kWidth, kHeight);
    kvhost::EventRequest click;
    click.type = PF_Event_DO_CLICK;
    // The rgb identity runs through the middle of the plot (view 0..1 on both axes).
    click.point = PF_Point{(kPlotLeft + kPlotRight) / 2, (kPlotTop + kPlotBottom) / 2};
    ASSERT_EQ(effect->sendEvent(click).result, PF_Err_NONE);
    kvhost::EventRequest release = click;
    release.type = PF_Event_DRAG;
    release.lastDrag = true;
    ASSERT_EQ(effect->sendEvent(release).result, PF_Err_NONE);
    const AbsoluteCurveSet set = effect.curves();
    EXPECT_EQ(countActive(set.curves[3]), 3);
    EXPECT_EQ(countActive(set.curves[0]), 2);

    // The host asks after the changed curve; the controls follow the new active node.
    ASSERT_EQ(effect->userChangedParam(kCurveParam), PF_Err_NONE);
    const auto states = effect.sequence();
    ASSERT_GE(states->states[3].active, 0);
    const CurveNode& node = set.curves[3].nodes[std::size_t(states->states[3].active)];
    EXPECT_NEAR(effect->parameter(kNodeXParam).current().u.fs_d.value, node.x, 1e-5);
    EXPECT_NEAR(node.x, 0.5, 0.01);
    EXPECT_FALSE(effect->parameter(kNodeXParam).current().ui_flags & PF_PUI_DISABLED);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteEditor, WithoutSequenceDataEventsDoNothing) {
    AbsoluteEffect effect;
    ASSERT_EQ(effect->sequenceSetdown(), PF_Err_NONE);
    effect->setPanelSize(kWidth, kHeight);
    const std::vector<A_u_char> before = effect->panel().bytes();
    kvhost::EventRequest draw;
    draw.type = PF_Event_DRAW;
    EXPECT_EQ(effect->sendEvent(draw).result, PF_Err_NONE);
    EXPECT_EQ(effect->panel().bytes(), before);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::testing

// The curve editor as the Relative effect shows it in the host's panel: the input bar in the colour of the
// resolved input property, the black output bar, and the curve that a link leads to shown and edited.
#include "tests/e2e/RelativeEffect.h"

#include <gtest/gtest.h>

namespace korvane::relativetest {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 340;
// Panel layout: plot from x 70 to width - 19 and y 10 to height - 72; input bar below it down to height - 54,
// output bar from x 57 to 70.
constexpr int kPlotLeft = 70;
constexpr int kPlotRight = kWidth - 19;
constexpr int kInputBarMiddle = kHeight - 63;
constexpr int kOutputBarMiddle = 63;

struct Bgr {
    int blue;
    int green;
    int red;
};

Bgr panelPixel(RelativeEffect& effect, int x, int y) {
    const A_u_char* p = effect->panel().pixel(x, y);
    return {p[0], p[1], p[2]};
}

void drawPanel(RelativeEffect& effect) {
    effect->setPanelSize(kWidth, kHeight);
    kvhost::EventRequest draw;
    draw.type = PF_Event_DRAW;
    ASSERT_EQ(effect->sendEvent(draw).result, PF_Err_NONE);
    ASSERT_EQ(effect->problems(), "");
}

// Curve `shown` based on `basedOn`; "change" set to property `change`.
void showCurve(RelativeEffect& effect, int change, int shown, int basedOn, int changeBasedOn) {
    RelativeCurveSet set = defaultCurves();
    set.basedOn[std::size_t(shown)] = basedOn;
    set.basedOn[std::size_t(change)] = changeBasedOn;
    effect.setCurves(set);
    effect->setNumber(kChangeParam, change + 1);
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
}

TEST(RelativeEditor, TheOutputBarIsBlackAndTheInputBarShowsTheInputProperty) {
    RelativeEffect effect;
    showCurve(effect, 3, 3, 3, 3); // red based on red
    drawPanel(effect);
    for (const int y : {40, 150, 250}) {
        const Bgr bar = panelPixel(effect, kOutputBarMiddle, y);
        EXPECT_EQ(bar.red + bar.green + bar.blue, 0) << y;
    }
    // A red ramp: dark at the left, bright red at the right, never green or blue.
    const Bgr left = panelPixel(effect, kPlotLeft + 8, kInputBarMiddle);
    const Bgr right = panelPixel(effect, kPlotRight - 8, kInputBarMiddle);
    EXPECT_LT(left.red, 30);
    EXPECT_GT(right.red, 220);
    EXPECT_EQ(right.green, 0);
    EXPECT_EQ(right.blue, 0);
}

TEST(RelativeEditor, ALinkShowsTheInputOfTheCurveItLeadsTo) {
    // Brightness based on "blue curve", blue based on blue: the bar is a blue ramp.
    RelativeEffect effect;
    showCurve(effect, 0, 5, 5, 8 + 5);
    drawPanel(effect);
    const Bgr right = panelPixel(effect, kPlotRight - 8, kInputBarMiddle);
    EXPECT_GT(right.blue, 220);
    EXPECT_EQ(right.red, 0);
    EXPECT_EQ(right.green, 0);
    // Based on saturation: a grey ramp.
    showCurve(effect, 1, 1, 1, 1);
    drawPanel(effect);
    const Bgr grey = panelPixel(effect, kPlotRight - 8, kInputBarMiddle);
    EXPECT_GT(grey.red, 220);
    EXPECT_EQ(grey.red, grey.green);
    EXPECT_EQ(grey.green, grey.blue);
}

TEST(RelativeEditor, EditsInTheEditorReachTheCurveALinkLeadsTo) {
    // "change" brightness, linked to the red curve: a click on the plot adds a node to curve 3.
    RelativeEffect effect;
    showCurve(effect, 0, 3, 3, 8 + 3);
    effect->setPanelSize(kWidth, kHeight);
    kvhost::EventRequest click;
    click.type = PF_Event_DO_CLICK;
    // The flat curve at y 0 runs through the middle row of the plot (view y -1..1).
    click.point = PF_Point{(kPlotLeft + kPlotRight) / 2, 139};
    ASSERT_EQ(effect->sendEvent(click).result, PF_Err_NONE);
    kvhost::EventRequest release = click;
    release.type = PF_Event_DRAG;
    release.lastDrag = true;
    ASSERT_EQ(effect->sendEvent(release).result, PF_Err_NONE);
    const RelativeCurveSet set = effect.curves();
    EXPECT_EQ(countActive(set.curves[3]), 3);
    EXPECT_EQ(countActive(set.curves[0]), 2);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::relativetest

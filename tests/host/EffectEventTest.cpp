// Custom-control events reach the plug-in with the control, the position and the continuation words
// of the gesture; the panel they draw into is the host's.
#include "tests/host/ProbeFixture.h"

#include "host/HostError.h"

#include <gmock/gmock.h>

namespace kvhost {
namespace {

EventRequest at(PF_EventType type, int x, int y) {
    EventRequest request;
    request.type = type;
    request.point = PF_Point{x, y};
    return request;
}

TEST_F(ProbeTest, AGestureKeepsItsContinuationWordsUntilTheLastDrag) {
    auto instance = setUpInstance();
    EventRequest click = at(PF_Event_DO_CLICK, 30, 40);
    click.clicks = 2;
    click.modifiers = PF_Mod_SHIFT_KEY;
    const EventResult clicked = instance->sendEvent(click);
    ASSERT_EQ(clicked.result, PF_Err_NONE);
    EXPECT_TRUE(clicked.sendDrag);
    EXPECT_EQ(clicked.outFlags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(seen("clicks"), 2);
    EXPECT_EQ(seen("clickModifiers"), PF_Mod_SHIFT_KEY);
    EXPECT_EQ(seen("clickRefcon"), 0);

    instance->sendEvent(at(PF_Event_DRAG, 35, 40));
    EXPECT_EQ(seen("dragRefcon"), 1030);
    EXPECT_EQ(seen("lastDrag"), 0);
    EventRequest release = at(PF_Event_DRAG, 36, 41);
    release.lastDrag = true;
    instance->sendEvent(release);
    EXPECT_EQ(seen("dragRefcon"), 1030);
    EXPECT_EQ(seen("lastDrag"), 1);

    // After the gesture the words start empty again.
    instance->sendEvent(at(PF_Event_DRAG, 10, 10));
    EXPECT_EQ(seen("dragRefcon"), 0);
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, AClickStartsAFreshGesture) {
    auto instance = setUpInstance();
    instance->sendEvent(at(PF_Event_DO_CLICK, 5, 5));
    instance->sendEvent(at(PF_Event_DO_CLICK, 7, 5)); // no drag between: the old words are dropped
    EXPECT_EQ(seen("clickRefcon"), 0);
    instance->sendEvent(at(PF_Event_DRAG, 8, 5));
    EXPECT_EQ(seen("dragRefcon"), 1007);
}

TEST_F(ProbeTest, ValuesChangedInAnEventAreCopiedBack) {
    auto instance = setUpInstance();
    instance->sendEvent(at(PF_Event_DO_CLICK, 20, 20));
    instance->sendEvent(at(PF_Event_DRAG, 77, 20));
    EXPECT_THAT(instance->changedParams(), ::testing::ElementsAre(kProbeCount));
    EXPECT_EQ(instance->parameter(kProbeCount).current().u.sd.value, 77);
}

TEST_F(ProbeTest, EventsGoToTheControlWithACustomInterface) {
    auto instance = setUpInstance();
    instance->sendEvent(at(PF_Event_DRAW, 0, 0));
    EXPECT_EQ(seen("eventIndex"), kProbeLevel);
    EXPECT_EQ(seen("eventWindow"), PF_Window_EFFECT);
    // The panel takes the control's registered size.
    EXPECT_EQ(instance->panel().width(), 300);
    EXPECT_EQ(instance->panel().height(), 200);
}

TEST_F(ProbeTest, ADrawPaintsTheHostsPanel) {
    auto instance = setUpInstance();
    instance->suites().setBackgroundColour(PF_App_Color{0x1200, 0x3400, 0x5600});
    instance->setPanelSize(64, 32);
    EXPECT_EQ(instance->panel().pixel(3, 3)[0], 0x56); // blue, green, red, alpha
    EXPECT_EQ(instance->panel().pixel(3, 3)[2], 0x12);
    instance->setColour(kProbeTint, PF_Pixel{255, 200, 100, 50});
    ASSERT_EQ(instance->sendEvent(at(PF_Event_DRAW, 0, 0)).result, PF_Err_NONE);
    EXPECT_EQ(seen("background"), 0x12);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{63, 31}, std::pair{20, 10}}) {
        const A_u_char* p = instance->panel().pixel(x, y);
        EXPECT_EQ(p[0], 50);
        EXPECT_EQ(p[1], 100);
        EXPECT_EQ(p[2], 200);
        EXPECT_EQ(p[3], 255);
    }
}

TEST_F(ProbeTest, ADrawingReferenceForAForeignContextIsRefusedAndRecorded) {
    auto instance = setUpInstance();
    set("everyBadCall", 1);
    ASSERT_EQ(instance->sendEvent(at(PF_Event_DRAW, 0, 0)).result, PF_Err_NONE);
    EXPECT_EQ(seen("bad get_drawing_reference"), PF_Err_BAD_CALLBACK_PARAM);
    const CommandReport& report = reportOf(*instance, "PF_Cmd_EVENT");
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_THAT(report.faults[0], ::testing::HasSubstr("get_drawing_reference"));
}

TEST_F(ProbeTest, AdjustCursorReturnsThePluginsCursor) {
    auto instance = setUpInstance();
    instance->setPanelSize(100, 50);
    EXPECT_EQ(instance->sendEvent(at(PF_Event_ADJUST_CURSOR, 10, 10)).cursor, PF_Cursor_HAND);
    EXPECT_EQ(instance->sendEvent(at(PF_Event_ADJUST_CURSOR, 90, 10)).cursor, PF_Cursor_NONE);
}

TEST_F(ProbeTest, RejectsABadPanelOrControl) {
    auto instance = setUpInstance();
    EXPECT_THROW(instance->setPanelSize(0, 10), HostError);
    EventRequest request = at(PF_Event_DRAW, 0, 0);
    request.paramIndex = 99;
    EXPECT_THROW(instance->sendEvent(request), HostError);
}

} // namespace
} // namespace kvhost

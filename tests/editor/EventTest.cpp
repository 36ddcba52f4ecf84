// What the host sees of an event: routing by window, area and parameter, the handled and changed flags,
// the cursor, redraw memory, the log lines, and stored state that is out of range.
#include "EditorHarness.h"
#include "PanelGeometry.h"
#include "tests/support/TestLog.h"
#include "editor/NodeSelection.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

bool surfaceUntouched(EditorHarness<AbsoluteTraits>& h) {
    const EffectWindow& w = h.window();
    for (int y = 0; y < w.windowHeight; ++y) {
        for (int x = 0; x < w.windowWidth; ++x) {
            const A_u_char* p = h.windowPixel(x, y);
            if (p[0] != 0 || p[1] != 0 || p[2] != 0 || p[3] != 0) {
                return false;
            }
        }
    }
    return true;
}

class EventTest : public ::testing::Test {
protected:
    void SetUp() override { middle = placeNode(h.shownCurve(), 0.5, 0.5, 1.0); }
    EditorHarness<AbsoluteTraits> h;
    int middle = -1;
};

TEST_F(EventTest, EventsOfOtherWindowsChangeNothing) {
    const EditorStateSet before = h.states;
    h.setWindowType(PF_Window_COMP);
    const PF_EventExtra click = h.click(pixelX(0.5), pixelY(0.5));
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(click.evt_out_flags, 0);
    EXPECT_EQ(click.u.do_click.send_drag, 0);
    EXPECT_EQ(h.shownState().active, before.states[3].active);
    EXPECT_EQ(h.shownState().selected[middle], 0);
    h.draw();
    EXPECT_TRUE(surfaceUntouched(h));
}

TEST_F(EventTest, EventsOfOtherAreasAndParametersChangeNothing) {
    PF_EventExtra title = h.event(PF_Event_DO_CLICK, pixelX(0.5), pixelY(0.5));
    title.effect_win.area = PF_EA_PARAM_TITLE;
    h.send(title);
    PF_EventExtra otherParameter = h.event(PF_Event_DO_CLICK, pixelX(0.5), pixelY(0.5));
    otherParameter.effect_win.index = 1;
    h.send(otherParameter);
    PF_EventExtra drawTitle = h.event(PF_Event_DRAW, 0, 0);
    drawTitle.effect_win.area = PF_EA_PARAM_TITLE;
    h.send(drawTitle);
    EXPECT_EQ(title.evt_out_flags | otherParameter.evt_out_flags | drawTitle.evt_out_flags, 0);
    EXPECT_EQ(h.shownState().active, -1);
    EXPECT_TRUE(surfaceUntouched(h));
}

TEST_F(EventTest, AHandledDrawBlitsAndGivesEveryHandleBack) {
    const PF_EventExtra e = h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(e.evt_out_flags & PF_EO_HANDLED_EVENT, PF_EO_HANDLED_EVENT);
    EXPECT_FALSE(surfaceUntouched(h));
    EXPECT_EQ(h.host.liveHandles(), 0);
    EXPECT_EQ(h.host.lockedHandles(), 0);
    EXPECT_EQ(h.host.suitesHeld(), 0);
}

TEST_F(EventTest, ARedrawWithoutMemoryReportsOutOfMemory) {
    h.host.failAllocations = true;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_OUT_OF_MEMORY);
    h.host.failAllocations = false;
    h.host.failLocks = true;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(h.host.liveHandles(), 0);
    EXPECT_TRUE(surfaceUntouched(h));
}

TEST_F(EventTest, TheCurveIsFlaggedChangedAfterADragAndNotAfterADraw) {
    h.click(pixelX(0.5), pixelY(0.5));
    EXPECT_FALSE(h.curveFlaggedChanged());
    h.drag(pixelX(0.5) + 10, pixelY(0.5));
    EXPECT_TRUE(h.curveFlaggedChanged());
    EXPECT_EQ(h.lastEvent.evt_out_flags & PF_EO_HANDLED_EVENT, PF_EO_HANDLED_EVENT);
    h.draw();
    EXPECT_FALSE(h.curveFlaggedChanged());
}

TEST_F(EventTest, EachEventWritesItsLogLine) {
    h.click(200, 100);
    h.drag(210, 100);
    h.draw();
    h.move(30, 20);
    const std::string log = testlog::contents();
    EXPECT_NE(log.find("PF_Event_CLICK\n"), std::string::npos);
    EXPECT_NE(log.find("PF_Event_DRAG !\n"), std::string::npos);
    EXPECT_NE(log.find("PF_Event_DRAW\n"), std::string::npos);
    EXPECT_NE(log.find("invalidating gui due to cursor movement\n"), std::string::npos);
}

TEST_F(EventTest, HoveringAButtonRecordsItAndRedrawsLeavingTheControlDoesNot) {
    h.move(30, 20);
    EXPECT_EQ(h.shownState().hoveredElement, 1);
    EXPECT_FALSE(surfaceUntouched(h));
    PF_EventExtra title = h.event(PF_Event_ADJUST_CURSOR, 30, -5);
    title.effect_win.area = PF_EA_PARAM_TITLE;
    h.send(title);
    EXPECT_EQ(h.shownState().hoveredElement, -1);
    EXPECT_NE(testlog::contents().find("dont draw\n"), std::string::npos);
}

TEST_F(EventTest, TheCursorShowsWhatAClickWouldDo) {
    const int x = pixelX(0.5);
    const int y = pixelY(0.5);
    EXPECT_EQ(h.move(x, y).u.adjust_cursor.set_cursor, PF_Cursor_PEN_DRAG);
    EXPECT_EQ(h.move(x, y, PF_Mod_OPT_ALT_KEY).u.adjust_cursor.set_cursor, PF_Cursor_PEN_DELETE);
    EXPECT_EQ(h.move(pixelX(0.3), pixelY(0.3) - 4).u.adjust_cursor.set_cursor, PF_Cursor_PEN_ADD);
    EXPECT_EQ(h.move(pixelX(0.2), pixelY(0.8), PF_Mod_OPT_ALT_KEY).u.adjust_cursor.set_cursor,
              PF_Cursor_CROSSHAIRS);
    EXPECT_EQ(h.move(pixelX(0.2), pixelY(0.8)).u.adjust_cursor.set_cursor, PF_Cursor_NONE);
    EXPECT_EQ(h.move(x, y, PF_Mod_CMD_CTRL_KEY).u.adjust_cursor.set_cursor, PF_Cursor_HAND);
    h.shownState().toolState = 2;
    EXPECT_EQ(h.move(x, y).u.adjust_cursor.set_cursor, PF_Cursor_MAGNIFY);
}

TEST_F(EventTest, AStoredActiveNodeOutsideTheSlotsSelectsNothing) {
    for (EditorState& s : h.states.states) {
        s.active = 57;
    }
    EXPECT_FALSE(activeNodePosition<AbsoluteTraits>(h.curves, h.states).has_value());
    EXPECT_FALSE(moveSelection<AbsoluteTraits>(h.curves, h.states, 0.1, 0.1));
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(h.shownState().active, -1);
    // A drag whose gesture names a node drag does nothing without an active node.
    const Curve before = h.shownCurve();
    PF_EventExtra drag = h.event(PF_Event_DRAG, 300, 100);
    drag.u.do_click.continue_refcon[0] = 1;
    h.send(drag);
    EXPECT_EQ(std::memcmp(&before, &h.shownCurve(), sizeof before), 0);
}

TEST_F(EventTest, AStoredCurrentOutsideTheCurvesShowsTheDefaultCurve) {
    h.states.current = 12;
    h.draw();
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_EQ(h.states.current, 3);
}

TEST_F(EventTest, AGestureWordOutsideTheKindsIsIgnored) {
    PF_EventExtra drag = h.event(PF_Event_DRAG, 300, 100);
    drag.u.do_click.continue_refcon[0] = 99;
    drag.u.do_click.continue_refcon[3] = -5;
    h.send(drag);
    EXPECT_EQ(h.lastResult, PF_Err_NONE);
    EXPECT_FALSE(h.curveFlaggedChanged());
}

TEST(NodeSelectionTest, MoveSelectionMovesEverySelectedNodeByTheActiveNodesOffset) {
    EditorHarness<AbsoluteTraits> h;
    const int a = placeNode(h.shownCurve(), 0.3, 0.4, 1.0);
    const int b = placeNode(h.shownCurve(), 0.6, 0.5, 1.0);
    h.shownState().active = a;
    h.shownState().selected[a] = 1;
    h.shownState().selected[b] = 1;
    EXPECT_TRUE(moveSelection<AbsoluteTraits>(h.curves, h.states, 0.35, 0.2));
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[a].x, 0.35);
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[a].y, 0.2);
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[b].x, 0.65);
    EXPECT_DOUBLE_EQ(h.shownCurve().nodes[b].y, 0.3);
    const std::optional<NodePosition> position = activeNodePosition<AbsoluteTraits>(h.curves, h.states);
    ASSERT_TRUE(position.has_value());
    EXPECT_DOUBLE_EQ(position->x, 0.35);
}

TEST(NodeSelectionTest, TheRelativeEffectMovesTheResolvedCurve) {
    EditorHarness<RelativeTraits> h;
    h.curves.basedOn[1] = 8; // saturation based on the brightness curve: the editor shows curve 0
    h.states.current = 1;
    const int a = placeNode(h.curves.curves[0], 0.5, 0.25, 0.0);
    h.states.states[0].active = a;
    EXPECT_TRUE(moveSelection<RelativeTraits>(h.curves, h.states, 0.5, 0.75));
    EXPECT_DOUBLE_EQ(h.curves.curves[0].nodes[a].y, 0.75);
}

} // namespace
} // namespace korvane::test

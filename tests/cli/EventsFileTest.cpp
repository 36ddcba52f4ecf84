// The events file of kvhost panel: every event with its modifiers, and each kind of bad line named by
// file, line and token.
#include "host/cli/EventsFile.h"

#include "host/HostError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvhost {
namespace {

using Kind = PanelEvent::Kind;

std::string errorOf(const std::string& text) {
    try {
        parseEvents(text, "ev.txt");
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

TEST(EventsFile, ReadsEveryEventWithItsModifiers) {
    const std::vector<PanelEvent> events = parseEvents("# a gesture\n"
                                                       "\n"
                                                       "click 10 20 shift double\n"
                                                       "  drag 11 -3 ctrl alt   # outside the panel\n"
                                                       "release 12 4\n"
                                                       "move 5 6 alt\n"
                                                       "draw\n",
                                                       "ev.txt");
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, Kind::Click);
    EXPECT_EQ(events[0].x, 10);
    EXPECT_EQ(events[0].y, 20);
    EXPECT_EQ(events[0].modifiers, PF_Mod_SHIFT_KEY);
    EXPECT_TRUE(events[0].doubleClick);
    EXPECT_EQ(events[0].line, 3);
    EXPECT_EQ(events[1].kind, Kind::Drag);
    EXPECT_EQ(events[1].y, -3);
    EXPECT_EQ(events[1].modifiers, PF_Mod_CMD_CTRL_KEY | PF_Mod_OPT_ALT_KEY);
    EXPECT_FALSE(events[1].doubleClick);
    EXPECT_EQ(events[2].kind, Kind::Release);
    EXPECT_EQ(events[2].modifiers, PF_Mod_NONE);
    EXPECT_EQ(events[3].kind, Kind::Move);
    EXPECT_EQ(events[3].modifiers, PF_Mod_OPT_ALT_KEY);
    EXPECT_EQ(events[4].kind, Kind::Draw);
    EXPECT_EQ(events[4].line, 7);
}

TEST(EventsFile, ABadLineIsNamedByFileLineAndToken) {
    EXPECT_EQ(errorOf("draw\nclik 1 2\n"),
              "ev.txt:2: unknown event \"clik\" (click, drag, release, move or draw)");
    EXPECT_EQ(errorOf("click 1\n"), "ev.txt:1: \"click\" needs X and Y");
    EXPECT_EQ(errorOf("click 1 2y\n"), "ev.txt:1: \"2y\" is not a whole number of pixels (Y of \"click\")");
    EXPECT_EQ(errorOf("move 1.5 2\n"), "ev.txt:1: \"1.5\" is not a whole number of pixels (X of \"move\")");
    // A whole number beyond any panel is named for what it is.
    for (const char* far : {"99999999999", "1000000000", "-1000001"}) {
        EXPECT_EQ(
            errorOf(std::string("move ") + far + " 2\n"),
            "ev.txt:1: \"" + std::string(far) +
                "\" lies outside the panel coordinates kvhost takes (-1000000 to 1000000; X of \"move\")");
    }
    // Bytes that would steer the terminal are shown escaped.
    EXPECT_EQ(errorOf("cl\x1b[2Jick 1 2\n"),
              "ev.txt:1: unknown event \"cl\\x1b[2Jick\" (click, drag, release, move or draw)");
    EXPECT_EQ(errorOf("click 1 \x07\n"),
              "ev.txt:1: \"\\x07\" is not a whole number of pixels (Y of \"click\")");
    EXPECT_EQ(errorOf("click 1 2 shfit\n"),
              "ev.txt:1: unknown word \"shfit\" after \"click\" (shift, ctrl, alt or double)");
    EXPECT_EQ(errorOf("click 1 2\ndrag 1 2 double\n"),
              "ev.txt:2: unknown word \"double\" after \"drag\" (shift, ctrl or alt)");
    EXPECT_EQ(errorOf("click 1 2 alt alt\n"), "ev.txt:1: \"alt\" given twice");
    EXPECT_EQ(errorOf("draw now\n"), "ev.txt:1: unexpected \"now\" after \"draw\"");
}

TEST(EventsFile, DragsBelongToTheGestureOfAClick) {
    EXPECT_EQ(errorOf("drag 1 2\n"), "ev.txt:1: \"drag\" without a click before it");
    EXPECT_EQ(errorOf("click 1 2\nrelease 3 4\nrelease 3 4\n"),
              "ev.txt:3: \"release\" without a click before it");
    EXPECT_EQ(errorOf("click 1 2\nmove 3 4\ndrag 5 6\n"), "ev.txt:3: \"drag\" without a click before it");
    EXPECT_EQ(errorOf("click 1 2\ndraw\nrelease 5 6\n"), "ev.txt:3: \"release\" without a click before it");
    EXPECT_EQ(parseEvents("click 1 2\ndrag 3 4\ndrag 5 6\nrelease 7 8\nclick 1 1\n", "ev.txt").size(), 5u);
}

} // namespace
} // namespace kvhost

// Editing through the interface: mouse events in order and as the events file replays them, drags that
// arrive while the effect is busy, a gesture its page abandoned, parameters with the plug-in's flags, undo
// and redo.
#include "host/Project.h"
#include "host/cli/EffectStart.h"
#include "host/cli/EventReplay.h"
#include "tests/serve/ServeFixture.h"

#include <gmock/gmock.h>

#include <thread>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

kvhost::PanelEvent panelEvent(const json& e) {
    kvhost::PanelEvent event;
    const std::string type = e.at("type");
    event.kind = type == "click"     ? kvhost::PanelEvent::Kind::Click
                 : type == "drag"    ? kvhost::PanelEvent::Kind::Drag
                 : type == "release" ? kvhost::PanelEvent::Kind::Release
                                     : kvhost::PanelEvent::Kind::Move;
    event.x = e.at("x");
    event.y = e.at("y");
    event.modifiers = PF_Modifiers((e.value("shift", false) ? PF_Mod_SHIFT_KEY : 0) |
                                   (e.value("ctrl", false) ? PF_Mod_CMD_CTRL_KEY : 0) |
                                   (e.value("alt", false) ? PF_Mod_OPT_ALT_KEY : 0));
    event.doubleClick = e.value("double", false);
    return event;
}

// The "point" lines of one curve in a project's curve set text.
int pointsOf(const json& project, const std::string& curve) {
    const std::string text = project.at("parameters").at("curve");
    const std::size_t start = text.find("curve_" + curve + " ");
    const std::size_t end = text.find("curve_", start + 1);
    const std::string block = text.substr(start, end - start);
    int points = 0;
    for (std::size_t at = block.find("point "); at != std::string::npos; at = block.find("point ", at + 1)) {
        ++points;
    }
    return points;
}

TEST_F(ServeTest, EventsReachThePlugInInTheOrderSentAsTheEventsFileReplaysThem) {
    start();
    const json events = json::array({
        {{"type", "click"}, {"x", plotX(0.5)}, {"y", plotY(0.5)}}, // on the curve: a node, dragged up
        {{"type", "drag"}, {"x", plotX(0.5)}, {"y", plotY(0.6)}},
        {{"type", "drag"}, {"x", plotX(0.5)}, {"y", plotY(0.75)}},
        {{"type", "release"}, {"x", plotX(0.5)}, {"y", plotY(0.75)}},
        {{"type", "click"}, {"x", plotX(0.2)}, {"y", plotY(0.8)}, {"shift", true}}, // off the curve: a node
        {{"type", "release"}, {"x", plotX(0.2)}, {"y", plotY(0.8)}},
        {{"type", "move"}, {"x", plotX(0.9)}, {"y", plotY(0.1)}},
        {{"type", "click"}, {"x", plotX(0.9)}, {"y", plotY(0.1)}, {"ctrl", true}}, // ctrl: a pan
        {{"type", "drag"}, {"x", plotX(0.8)}, {"y", plotY(0.2)}, {"ctrl", true}},
        {{"type", "release"}, {"x", plotX(0.8)}, {"y", plotY(0.2)}},
    });
    for (const json& e : events) {
        const Reply reply = post("/api/event", e);
        ASSERT_EQ(reply.status, 200) << e.dump() << reply.text;
        EXPECT_TRUE(reply.body.at("sent")) << e.dump();
    }
    const json served = project();

    kvhost::PluginFile plugin(KV_MORROWBY);
    auto instance = kvhost::startEffect(plugin, kvhost::EffectStart{});
    instance->setPanelSize(kPanelWidth, 340);
    kvhost::EventReplay replay(*instance, kvhost::customControl(*instance), "", nullptr);
    for (const json& e : events) {
        replay.play(panelEvent(e));
    }
    EXPECT_EQ(served, kvhost::Project::save(*instance));
    EXPECT_EQ(instance->problems(), "");
    EXPECT_EQ(pointsOf(served, "rgb"), 4); // the two ends, the dragged node and the shift-click's
    EXPECT_EQ(pointsOf(served, "red"), 2);
    EXPECT_THAT(served.at("sequenceData").get<std::string>(), ::testing::Not(HasSubstr("view_x_start 0\n")));

    // The same events in another order give another curve: the order is the plug-in's to see.
    EXPECT_EQ(post("/api/undo", json::object()).status, 200); // the pan
    EXPECT_EQ(post("/api/undo", json::object()).status, 200); // the shift-click
    const Reply late = event("release", plotX(0.2), plotY(0.8));
    EXPECT_FALSE(late.body.at("sent")); // a release without a gesture goes nowhere
    EXPECT_EQ(pointsOf(project(), "rgb"), 3);
}

TEST_F(ServeTest, DragsThatArriveWhileTheEffectIsBusyAreCoalescedAndTheLastOneIsPlayed) {
    start();
    ASSERT_EQ(event("click", plotX(0.5), plotY(0.5)).body.at("gesture"), true);
    constexpr int kDrags = 5;
    std::vector<std::thread> senders;
    std::vector<Reply> replies(kDrags);
    {
        auto busy = server_->holdSession();
        for (int i = 0; i < kDrags; ++i) {
            const std::uint64_t offered = server_->dragsOffered();
            senders.emplace_back([this, i, &replies] {
                auto client = newClient();
                const json body{{"type", "drag"}, {"x", plotX(0.5)}, {"y", plotY(0.55 + 0.05 * i)}};
                replies[std::size_t(i)] = toReply(client->Post("/api/event", body.dump(), "application/json"));
            });
            // Each drag waits before the next is sent, so that the last one sent is the last one offered.
            for (int wait = 0; wait < 2000 && server_->dragsOffered() == offered; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            ASSERT_EQ(server_->dragsOffered(), offered + 1);
        }
    }
    for (std::thread& sender : senders) {
        sender.join();
    }
    int played = 0;
    for (const Reply& reply : replies) {
        ASSERT_EQ(reply.status, 200) << reply.text;
        played += reply.body.at("coalesced") ? 0 : 1;
    }
    EXPECT_EQ(played, 1);
    EXPECT_EQ(server_->dragsCoalesced(), std::uint64_t(kDrags - 1));

    // The node is where the last drag put it: the release at that same place changes nothing more.
    const json node = parameter(state(), "node y (output)");
    EXPECT_NEAR(node.at("value").get<double>(), 0.75, 1.5 / 258);
    ASSERT_EQ(event("release", plotX(0.5), plotY(0.75)).status, 200);
    EXPECT_NEAR(parameter(state(), "node y (output)").at("value").get<double>(), 0.75, 1.5 / 258);
}

TEST_F(ServeTest, AGestureWhosePageWentAwayIsEndedAndHoldKeepsAGestureOpen) {
    kvhost::ServerSettings serving;
    serving.gestureTimeout = std::chrono::milliseconds(300);
    start({}, serving);
    auto gestureOpen = [this] { return state().at("gesture").get<bool>(); };
    ASSERT_EQ(event("click", plotX(0.5), plotY(0.5)).status, 200);
    ASSERT_EQ(event("drag", plotX(0.5), plotY(0.7)).status, 200);
    for (int i = 0; i < 10; ++i) { // a button held still for 1 s
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(post("/api/event", {{"type", "hold"}}).status, 200);
    }
    EXPECT_TRUE(gestureOpen());
    bool ended = false;
    for (int wait = 0; wait < 100 && !ended; ++wait) { // at most 5 s
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ended = !gestureOpen();
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(state().at("undo"), 1); // the gesture counts as a change, as if released
    EXPECT_NEAR(parameter(state(), "node y (output)").at("value").get<double>(), 0.7, 1.5 / 258);
}

TEST_F(ServeTest, ParametersFollowThePlugInsFlagsAndChanges) {
    start();
    json now = state();
    ASSERT_EQ(now.at("parameters").size(), 8u);
    const json& channel = parameter(now, "channel");
    EXPECT_EQ(channel.at("type"), "popup");
    EXPECT_EQ(channel.at("value"), 4);
    EXPECT_EQ(channel.at("choices").size(), 8u);
    EXPECT_EQ(channel.at("timeVarying"), false);
    EXPECT_EQ(parameter(now, "curve").at("custom"), true);
    EXPECT_EQ(parameter(now, "node x (input)").at("disabled"), true); // no active node yet
    EXPECT_EQ(parameter(now, "invert all").at("timeVarying"), true);

    dragCurve(0.5, 0.5, 0.75);
    now = state();
    const json& x = parameter(now, "node x (input)");
    EXPECT_EQ(x.at("disabled"), false);
    EXPECT_NEAR(x.at("value").get<double>(), 0.5, 1.0 / 511);
    EXPECT_EQ(x.at("precision"), 3);

    // A popup by its item text, as the command line takes it; the slider's range follows the plug-in.
    ASSERT_EQ(post("/api/param", {{"name", "scale"}, {"value", "8-bpc (0-255)"}}).status, 200);
    now = state();
    EXPECT_EQ(parameter(now, "scale").at("value"), 2);
    EXPECT_NEAR(parameter(now, "node x (input)").at("value").get<double>(), 127.5, 0.6);
    EXPECT_EQ(parameter(now, "node x (input)").at("sliderMax"), 255);
    EXPECT_EQ(parameter(now, "node x (input)").at("precision"), 0);

    // Typing a node position moves the node.
    ASSERT_EQ(post("/api/param", {{"name", "node y (output)"}, {"value", 51}}).status, 200);
    EXPECT_NEAR(parameter(state(), "node y (output)").at("value").get<double>(), 51.0, 1e-3);
    ASSERT_EQ(post("/api/param", {{"name", "channel"}, {"value", 5}}).status, 200);
    now = state();
    EXPECT_EQ(parameter(now, "channel").at("value"), 5);
    EXPECT_EQ(parameter(now, "node x (input)").at("disabled"), true); // red has no active node
    ASSERT_EQ(post("/api/param", {{"name", "invert all"}, {"value", true}}).status, 200);
    EXPECT_EQ(parameter(state(), "invert all").at("value"), true);
    ASSERT_EQ(post("/api/param", {{"name", "select node x (input)"}, {"value", {10, 20, 30, 255}}}).status, 200);
}

TEST_F(ServeTest, UndoAndRedoRestoreThePanelThePreviewAndTheProject) {
    start();
    const json first = project();
    const Picture firstPanel = decodePng(state().at("panel").at("png"));
    const Picture firstPreview = preview();

    dragCurve(0.5, 0.5, 0.8);
    const json dragged = project();
    const Picture draggedPanel = decodePng(state().at("panel").at("png"));
    const Picture draggedPreview = preview();
    EXPECT_NE(dragged, first);
    EXPECT_NE(draggedPanel, firstPanel);
    EXPECT_GT(draggedPreview.mean(0), firstPreview.mean(0) + 10);

    Reply undone = post("/api/undo", json::object());
    ASSERT_EQ(undone.status, 200);
    EXPECT_TRUE(undone.body.at("done"));
    EXPECT_EQ(project(), first);
    EXPECT_TRUE(nearlySame(decodePng(undone.body.at("panel").at("png")), firstPanel));
    EXPECT_EQ(preview(), firstPreview);
    EXPECT_EQ(undone.body.at("undo"), 0);
    EXPECT_EQ(undone.body.at("redo"), 1);
    EXPECT_FALSE(post("/api/undo", json::object()).body.at("done"));

    const Reply redone = post("/api/redo", json::object());
    EXPECT_TRUE(redone.body.at("done"));
    EXPECT_EQ(project(), dragged);
    EXPECT_EQ(preview(), draggedPreview);
    // The panel comes back from the stored curve: a handle end, rounded up to whole pixels, may land a
    // pixel away from where the live drag drew it; but every restore of a state draws the same panel.
    const Picture redonePanel = decodePng(redone.body.at("panel").at("png"));
    EXPECT_FALSE(nearlySame(redonePanel, firstPanel));
    ASSERT_EQ(post("/api/undo", json::object()).status, 200);
    EXPECT_EQ(decodePng(post("/api/redo", json::object()).body.at("panel").at("png")), redonePanel);

    // A parameter change is a step too, and a change after an undo leaves nothing to redo.
    ASSERT_EQ(post("/api/param", {{"name", "invert all"}, {"value", true}}).status, 200);
    EXPECT_EQ(state().at("undo"), 2);
    ASSERT_EQ(post("/api/undo", json::object()).status, 200);
    EXPECT_EQ(project(), dragged);
    ASSERT_EQ(post("/api/param", {{"name", "channel"}, {"value", "red"}}).status, 200);
    EXPECT_EQ(state().at("redo"), 0);
}

} // namespace
} // namespace kvtest

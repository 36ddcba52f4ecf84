// Keyframes and time, projects saved and opened with the command line's checks, and the preview: fitted by
// the host's downsampling, before and after, with the histograms the render leaves.
#include "host/HostImage.h"
#include "tests/host/KvhostRun.h"
#include "tests/serve/ServeFixture.h"

#include <gmock/gmock.h>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

std::vector<double> keyframesOf(const json& state, const std::string& name) {
    std::vector<double> times;
    for (const json& t : parameter(state, name).at("keyframes")) {
        times.push_back(t.get<double>());
    }
    return times;
}

TEST_F(ServeTest, KeyframesOfTheCurveAreSetMovedAndRemovedAndTheTimeScrubsBetweenThem) {
    start();
    const double flat = preview().mean(0);
    // The plug-in blends nodes that both keys have: the node goes in first, on the line, then is keyed.
    ASSERT_EQ(event("click", plotX(0.5), plotY(0.5)).status, 200);
    ASSERT_EQ(event("release", plotX(0.5), plotY(0.5)).status, 200);
    ASSERT_EQ(post("/api/keyframe", {{"name", "curve"}, {"action", "add"}, {"time", 0}}).status, 200);
    ASSERT_EQ(post("/api/time", {{"seconds", 2.0}}).status, 200);
    dragCurve(0.5, 0.5, 0.9); // an edit at another time keys the animated curve there
    json now = state();
    EXPECT_EQ(keyframesOf(now, "curve"), (std::vector<double>{0.0, 2.0}));
    EXPECT_EQ(now.at("time"), 2.0);
    const double bright = preview().mean(0);
    EXPECT_GT(bright, flat + 10);

    // Between the keys the plug-in's own interpolation gives a curve between the two.
    ASSERT_EQ(post("/api/time", {{"seconds", 1.0}}).status, 200);
    const double between = preview().mean(0);
    EXPECT_GT(between, flat + 2);
    EXPECT_LT(between, bright - 2);
    ASSERT_EQ(post("/api/time", {{"seconds", 0.0}}).status, 200);
    EXPECT_NEAR(preview().mean(0), flat, 0.01);

    ASSERT_EQ(post("/api/keyframe", {{"name", "curve"}, {"action", "move"}, {"time", 2.0}, {"to", 4.0}}).status,
              200);
    EXPECT_EQ(keyframesOf(state(), "curve"), (std::vector<double>{0.0, 4.0}));
    ASSERT_EQ(post("/api/time", {{"seconds", 2.0}}).status, 200);
    EXPECT_NEAR(preview().mean(0), between, 0.6); // half way again, now at 2 s

    const Reply missing = post("/api/keyframe", {{"name", "curve"}, {"action", "remove"}, {"time", 3.0}});
    EXPECT_EQ(missing.status, 400);
    EXPECT_THAT(missing.body.value("error", ""), HasSubstr("\"curve\" has no keyframe at 3 s"));
    const Reply constant = post("/api/keyframe", {{"name", "channel"}, {"action", "add"}, {"time", 1.0}});
    EXPECT_EQ(constant.status, 400);
    EXPECT_THAT(constant.body.value("error", ""), HasSubstr("\"channel\" cannot vary in time"));

    // Removing the keys leaves the last one's value: the bright curve, at any time.
    ASSERT_EQ(post("/api/keyframe", {{"name", "curve"}, {"action", "remove"}, {"time", 0.0}}).status, 200);
    ASSERT_EQ(post("/api/keyframe", {{"name", "curve"}, {"action", "remove"}, {"time", 4.0}}).status, 200);
    EXPECT_TRUE(keyframesOf(state(), "curve").empty());
    EXPECT_NEAR(preview().mean(0), bright, 0.01);
    EXPECT_TRUE(project().at("parameters").at("curve").is_string());

    // Other parameters have keys too; each keyframe action is a step of undo.
    ASSERT_EQ(post("/api/keyframe", {{"name", "invert all"}, {"action", "add"}, {"time", 2.0}}).status, 200);
    EXPECT_EQ(keyframesOf(state(), "invert all"), (std::vector<double>{2.0}));
    ASSERT_EQ(post("/api/undo", json::object()).status, 200);
    EXPECT_TRUE(keyframesOf(state(), "invert all").empty());
}

TEST_F(ServeTest, ASavedProjectIsWrittenWholeAndOpensAsItWasSaved) {
    kvhost::SessionSettings settings;
    settings.saveProjectPath = at("grade.json").string();
    start(settings);
    dragCurve(0.5, 0.5, 0.8);
    ASSERT_EQ(post("/api/param", {{"name", "invert all"}, {"value", true}}).status, 200);
    EXPECT_TRUE(state().at("unsaved"));
    const Reply saved = post("/api/project/save", json::object());
    ASSERT_EQ(saved.status, 200);
    EXPECT_EQ(saved.body.at("savedTo"), at("grade.json").string());
    EXPECT_EQ(slurp(at("grade.json")), saved.body.at("project").get<std::string>());
    EXPECT_FALSE(saved.body.at("unsaved"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"grade.json", "input.png"})); // no temporary file left
    const Picture graded = preview();

    // Another grade, then the saved one opened again: the same project and the same picture.
    ASSERT_EQ(post("/api/param", {{"name", "invert all"}, {"value", false}}).status, 200);
    EXPECT_NE(preview(), graded);
    const Reply opened = postText("/api/project/open", slurp(at("grade.json")), {{"X-Kvhost-File-Name", "grade.json"}});
    ASSERT_EQ(opened.status, 200) << opened.text;
    EXPECT_FALSE(opened.body.at("unsaved"));
    EXPECT_EQ(project(), json::parse(slurp(at("grade.json"))));
    EXPECT_EQ(preview(), graded);
    ASSERT_EQ(post("/api/undo", json::object()).status, 200); // opening is a step of undo too
    EXPECT_EQ(parameter(state(), "invert all").at("value"), false);
}

TEST_F(ServeTest, AProjectThatFailsItsChecksIsRefusedWithTheCommandLinesMessage) {
    start();
    dragCurve(0.5, 0.5, 0.7);
    const json before = project();
    const Picture beforePreview = preview();
    const std::vector<std::string> broken = {
        R"({"matchName": "TQKV Absolute Curves", "parameters": {"channel": 12}})",
        R"({"matchName": "Somebody Else's Effect", "parameters": {}})",
        R"({"matchName": "TQKV Absolute Curves", "parameters": {"no such": 1}})",
        R"({"matchName": "TQKV Absolute Curves", "sequenceData": {"hex": "0g"}})",
        "not a project at all"};
    for (const std::string& text : broken) {
        std::ofstream(at("bad.json"), std::ios::binary | std::ios::trunc) << text;
        const ToolRun cli = runTool(KV_KVHOST, {"render", KV_MORROWBY, at("input.png").string(),
                                                at("out.png").string(), "--project", at("bad.json").string()});
        ASSERT_EQ(cli.exitCode, 2) << text;
        const std::string prefix = "kvhost: " + at("bad.json").string() + ": ";
        ASSERT_EQ(cli.err.substr(0, prefix.size()), prefix) << cli.err;
        const std::string message = cli.err.substr(prefix.size(), cli.err.size() - prefix.size() - 1);

        const Reply reply = postText("/api/project/open", text, {{"X-Kvhost-File-Name", "bad.json"}});
        EXPECT_EQ(reply.status, 400) << text;
        EXPECT_EQ(reply.body.value("error", ""), "bad.json: " + message);
    }
    // A name with folders in it stands in messages for its last part only.
    const Reply named = postText("/api/project/open", broken[0], {{"X-Kvhost-File-Name", "../../etc/passwd"}});
    EXPECT_THAT(named.body.value("error", ""), ::testing::StartsWith("passwd: project: "));
    EXPECT_EQ(project(), before);
    EXPECT_EQ(preview(), beforePreview);
    EXPECT_EQ(state().at("undo"), 1);
}

TEST_F(ServeTest, ThePreviewIsDownsampledToFitBeforeAndAfterWithTheHistogram) {
    start();
    const Reply fitted = get("/api/preview?width=30&height=30");
    ASSERT_EQ(fitted.status, 200);
    EXPECT_EQ(fitted.body.at("downsample"), 2); // 64 x 48 fitted into 30 x 30 is 30 x 22.5: 32 x 24 fills it
    const Picture half = decodePng(fitted.body.at("png"));
    EXPECT_EQ(half.width, 32);
    EXPECT_EQ(half.height, 24);
    EXPECT_EQ(half.channels, 4);
    EXPECT_EQ(get("/api/preview?width=20&height=10").body.at("downsample"), 4); // shown 13.3 x 10: 16 x 12
    EXPECT_EQ(get("/api/preview?width=2000&height=2000").body.at("downsample"), 1);
    const Picture full = preview("full=1&width=5&height=5");
    EXPECT_EQ(full.width, 64);
    EXPECT_EQ(full.height, 48);

    // With every curve at its default the picture is the input; before shows the input at the same size.
    const Picture before = preview("width=30&height=30&before=1");
    EXPECT_EQ(before, half);
    EXPECT_EQ(before.samples[0], 2); // red of the first 2 x 2 block: 0, 4, 0, 4
    EXPECT_EQ(before.samples[1], 3); // green: 0, 0, 5, 5, whose mean 2.5 rounds up
    EXPECT_EQ(before.samples[2], 96);
    EXPECT_EQ(before.samples[3], 255);
    EXPECT_EQ(fitted.body.at("histogram"), nullptr); // the editor shows no histogram yet

    // The histogram button (action column, f - 24 .. f + 8 with f = 340 - 54) turns it on.
    ASSERT_EQ(event("click", 35, 280).status, 200);
    ASSERT_EQ(event("release", 35, 280).status, 200);
    const Reply counted = get("/api/preview?width=30&height=30");
    const json& histogram = counted.body.at("histogram");
    ASSERT_TRUE(histogram.is_object()) << counted.text.substr(0, 300);
    EXPECT_EQ(histogram.at("mode"), 1);
    EXPECT_EQ(histogram.at("pixels"), 32 * 24);
    std::int64_t counts = 0;
    for (const json& bin : histogram.at("bins").at(0)) {
        counts += bin.get<std::int64_t>();
    }
    EXPECT_EQ(counts, 32 * 24);
    EXPECT_TRUE(counted.body.at("panel").contains("png")); // redrawn with the new histogram

    dragCurve(0.5, 0.5, 0.8);
    EXPECT_EQ(preview("width=30&height=30&before=1"), before);
    EXPECT_GT(preview("width=30&height=30").mean(1), before.mean(1) + 10);
}

TEST_F(ServeTest, TheRelativeEffectFollowsBasedOnAndItsLayers) {
    writeGradient(at("base.png"), 64, 48);
    kvhost::SessionSettings settings;
    settings.layers.push_back({"base layer", at("base.png").string()});
    start(settings, {}, KV_TARNWICK);
    json now = state();
    EXPECT_EQ(parameter(now, "base layer").at("value"), "base.png");
    EXPECT_EQ(parameter(now, "base layer").at("choices"), (json{"", "base.png"}));
    const std::string brightnessPanel = now.at("panel").at("png");
    const Picture unchanged = preview();

    ASSERT_EQ(post("/api/param", {{"name", "based on"}, {"value", "hue"}}).status, 200);
    now = state();
    EXPECT_EQ(parameter(now, "based on").at("value"), 3);
    EXPECT_NE(now.at("panel").at("png"), brightnessPanel); // the input bar shows hues now
    EXPECT_EQ(parameter(now, "change by").at("disabled"), false);
    ASSERT_EQ(post("/api/param", {{"name", "change"}, {"value", "hue"}}).status, 200);
    EXPECT_EQ(parameter(state(), "change by").at("disabled"), true);
    ASSERT_EQ(post("/api/param", {{"name", "change"}, {"value", "brightness"}}).status, 200);
    EXPECT_EQ(parameter(state(), "based on").at("value"), 3); // the brightness setting kept its hue

    // A node on the curve (constant 0, at the middle of the default view -1..1) dragged up raises the
    // amount by which brightness changes.
    ASSERT_EQ(event("click", plotX(0.5), 139).status, 200);
    ASSERT_EQ(event("drag", plotX(0.5), 100).status, 200);
    ASSERT_EQ(event("release", plotX(0.5), 60).status, 200);
    EXPECT_NE(preview(), unchanged);
    ASSERT_EQ(post("/api/param", {{"name", "base layer"}, {"value", ""}}).status, 200);
    EXPECT_EQ(parameter(state(), "base layer").at("value"), "");
    const Reply wrong = post("/api/param", {{"name", "base layer"}, {"value", "other.png"}});
    EXPECT_EQ(wrong.status, 400);
    EXPECT_THAT(wrong.body.value("error", ""), HasSubstr("none of the --layer files"));
}

} // namespace
} // namespace kvtest

// kvhost key: keyframes written into a project, listed, replaced and removed, and what renders see of
// them; bad input leaves the project as it was.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

namespace kvtest {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

const std::string kSCurve = std::string(KV_EXAMPLES) + "/absolute-s-curve.txt";
const std::string kHueShift = std::string(KV_EXAMPLES) + "/absolute-hue-shift.txt";

class KeyTest : public CliTest {
protected:
    ToolRun key(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"key", path("p.json")});
        return kvhost(arguments);
    }
    json project() const { return json::parse(slurp(at("p.json"))); }
};

TEST_F(KeyTest, KeyframesRoundTripThroughTheProjectAndTheRender) {
    ToolRun run = key({"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1", "--value", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, path("p.json") + ": keyframe of \"invert all\" at 1 s added\n");
    run = key({"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "0", "--value", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = key({"--plugin", KV_MORROWBY, "--param", "curve", "--time", "0.5", "--curves", kHueShift});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = key({"--plugin", KV_MORROWBY, "--param", "curve", "--time", "0.5", "--curves", kSCurve});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("keyframe of \"curve\" at 0.5 s replaced"));

    const json p = project();
    EXPECT_EQ(p["matchName"], "TQKV Absolute Curves");
    EXPECT_EQ(p["parameters"]["invert all"],
              (json{{"keyframes", {{{"time", 0.0}, {"value", 0}}, {{"time", 1.0}, {"value", 1}}}}}));
    const json& curveKeys = p["parameters"]["curve"]["keyframes"];
    ASSERT_EQ(curveKeys.size(), 1u) << "the second key at 0.5 s replaced the first";
    EXPECT_EQ(curveKeys[0]["time"], 0.5);

    run = key({"--list"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("invert all at 0 s: 0\ninvert all at 1 s: 1\n"));
    EXPECT_THAT(run.out, HasSubstr("curve at 0.5 s: curve set of 8 curves"));

    // A render at 1 s sees the S-curve and "invert all" on: as --curves and --set give them.
    const std::string in = smallPng("in.png");
    run = kvhost({"render", KV_MORROWBY, in, path("keyed.png"), "--project", path("p.json"), "--time", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_MORROWBY, in, path("set.png"), "--curves", kSCurve, "--set", "invert all=1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("keyed.png")), slurp(at("set.png")));

    // Removing keyframes: the last one left stays as the value.
    run = key({"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "0", "--delete"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(project()["parameters"]["invert all"], (json{{"keyframes", {{{"time", 1.0}, {"value", 1}}}}}));
    run = key({"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1", "--delete"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(project()["parameters"]["invert all"], 1);
    EXPECT_THAT(key({"--list"}).out, ::testing::Not(HasSubstr("invert all")));
}

TEST_F(KeyTest, TheProjectsLayerFilesAndSequenceDataAreKept) {
    writeText(at("p.json"), "{}");
    ToolRun run = kvhost({"render", KV_TARNWICK, smallPng("in.png"), path("out.png"), "--layer",
                          "base layer=" + path("in.png"), "--set", "show=2", "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json before = project();
    run = key({"--plugin", KV_TARNWICK, "--param", "pre blur", "--time", "2", "--value", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json after = project();
    EXPECT_EQ(after["layers"], before["layers"]);
    EXPECT_EQ(after["sequenceData"], before["sequenceData"]);
    EXPECT_EQ(after["parameters"]["show"], before["parameters"]["show"]);
    EXPECT_EQ(after["parameters"]["pre blur"], (json{{"keyframes", {{{"time", 2.0}, {"value", 3.0}}}}}));
}

TEST_F(KeyTest, BadInputNamesTheFaultAndLeavesTheProjectAsItWas) {
    ASSERT_EQ(key({"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1", "--value", "1"}).exitCode, 0);
    const std::string before = slurp(at("p.json"));
    const std::set<std::string> names = files();
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "-1", "--value", "1"},
         "--time: -1 is outside 0 to 86400 seconds"},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "soon", "--value", "1"},
         "--time: \"soon\" is not a finite number of seconds"},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "nan", "--value", "1"},
         "\"nan\" is not a finite number"},
        {{"--plugin", KV_MORROWBY, "--param", "brightness", "--time", "1", "--value", "1"},
         "--param: " + std::string(KV_MORROWBY) + " has no parameter \"brightness\""},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1", "--value", "2"},
         "--param \"invert all\" --value \"2\": \"invert all\" is a checkbox: 0 or 1, not \"2\""},
        {{"--plugin", KV_MORROWBY, "--param", "scale", "--time", "1", "--value", "2"},
         "--param \"scale\": " + std::string(KV_MORROWBY) + ": \"scale\" cannot vary in time"},
        {{"--plugin", KV_TARNWICK, "--param", "invert all", "--time", "1", "--value", "1"},
         "made for \"TQKV Absolute Curves\", not for \"TQKV Relative Curves\""},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "3", "--delete"},
         "\"invert all\" at 3 s has no keyframe"},
        {{"--plugin", KV_MORROWBY, "--param", "curve", "--time", "1", "--value", "1"},
         "holds a curve set; give it with --curves"},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1", "--curves", kSCurve},
         "\"invert all\" is no curve set"},
        {{"--plugin", KV_MORROWBY, "--param", "curve", "--time", "1", "--curves", path("none.txt")},
         path("none.txt")},
        {{"--param", "invert all", "--time", "1", "--value", "1"}, "--plugin PLUGIN is needed"},
        {{"--plugin", KV_MORROWBY, "--time", "1", "--value", "1"}, "--param NAME"},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--value", "1"}, "--time T"},
        {{"--plugin", KV_MORROWBY, "--param", "invert all", "--time", "1"}, "--value V, --curves FILE, --delete"},
        {{"--list", "--param", "invert all"}, "--list lists every keyframe"},
    };
    for (const auto& [arguments, says] : rows) {
        const ToolRun run = key(arguments);
        EXPECT_EQ(run.exitCode, 2) << says;
        EXPECT_THAT(run.err, HasSubstr(says));
        EXPECT_EQ(run.out, "") << says;
        EXPECT_EQ(slurp(at("p.json")), before) << says;
        EXPECT_EQ(files(), names) << says;
    }
    // A project made for the other effect, given with a plug-in for it, is refused as well; without a
    // project file there is nothing to list.
    ToolRun run = kvhost({"key", path("none.json"), "--list"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr(path("none.json")));
    run = kvhost({"key", path("new.json"), "--param", "invert all", "--time", "1", "--value", "1"});
    EXPECT_THAT(run.err, HasSubstr("--plugin PLUGIN is needed to create the project"));
    EXPECT_FALSE(fs::exists(at("new.json")));
}

} // namespace
} // namespace kvtest

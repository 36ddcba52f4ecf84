// kvhost render with settings: parameters by item text and number, curve sets, projects saved and
// reopened, keyframes at a time, and the histograms the render leaves behind.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace kvtest {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

// The curves are sampled into a table at integer depths: one step either way is allowed.
constexpr int kTableTolerance = 1;

json readJson(const fs::path& path) {
    return json::parse(slurp(path));
}

// A grey ramp, 8 bits, opaque.
std::vector<std::uint8_t> rampPixels(const std::vector<int>& values) {
    std::vector<std::uint8_t> rgb;
    for (const int v : values) {
        rgb.insert(rgb.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
    }
    return rgb;
}

TEST_F(CliTest, APopupIsSetByItemTextOrByNumber) {
    const std::string in = smallPng("in.png");
    for (const auto& [value, project] :
         {std::pair{"scale=8-bpc (0-255)", "text.json"}, std::pair{"scale=2", "number.json"},
          std::pair{"scale=8-BPC (0-255)", "case.json"}}) {
        const ToolRun run = kvhost(
            {"render", KV_MORROWBY, in, path("out.png"), "--set", value, "--save-project", path(project)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(readJson(at(project))["parameters"]["scale"], 2) << value;
    }
    // The plug-in heard of the change: "scale" is the display unit it keeps in its sequence data.
    EXPECT_THAT(readJson(at("text.json"))["sequenceData"].get<std::string>(), HasSubstr("scale 255\n"));
}

TEST_F(CliTest, SettingsChangeTheGradeAndAProjectReopensIt) {
    writeFile(at("in.png"), 4, 1, 3, OIIO::TypeDesc::UINT8, rampPixels({0, 60, 180, 255}));
    ToolRun run = kvhost({"render", KV_MORROWBY, path("in.png"), path("plain.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    writeText(at("curve.txt"), curveSetText({{"rgb", straightCurve(0.2, 0.8)}}));
    run = kvhost({"render", KV_MORROWBY, path("in.png"), path("graded.png"), "--curves", path("curve.txt"),
                  "--set", "invert all=1", "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(slurp(at("graded.png")), slurp(at("plain.png")));
    EXPECT_EQ(readJson(at("p.json"))["parameters"]["invert all"], 1);

    run = kvhost({"render", KV_MORROWBY, path("in.png"), path("reopened.png"), "--project", path("p.json"),
                  "--save-project", path("again.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("reopened.png")), slurp(at("graded.png")));
    EXPECT_EQ(slurp(at("again.json")), slurp(at("p.json")));
}

TEST_F(CliTest, ACurveSetGradesAsItsCurveSays) {
    const std::vector<int> ramp = {0, 40, 100, 200, 255};
    writeFile(at("in.png"), 5, 1, 3, OIIO::TypeDesc::UINT8, rampPixels(ramp));
    writeText(at("curve.txt"), curveSetText({{"rgb", straightCurve(0.2, 0.8)}}));
    const ToolRun run =
        kvhost({"render", KV_MORROWBY, path("in.png"), path("out.png"), "--curves", path("curve.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage out = readFile(at("out.png"));
    ASSERT_EQ(out.channels, 3); // an RGB input gives an RGB output
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        const double expected = 255.0 * (0.2 + 0.6 * ramp[i] / 255.0);
        EXPECT_NEAR(double(out.values[i * 3]), expected, kTableTolerance) << ramp[i];
    }
}

TEST_F(CliTest, TimeBetweenTwoCurveKeyframesGivesTheGradeInBetween) {
    const std::vector<int> ramp = {0, 40, 100, 200, 255};
    writeFile(at("in.png"), 5, 1, 3, OIIO::TypeDesc::UINT8, rampPixels(ramp));
    // At 0 s the identity, at 2 s the line from 0.5 to 1. Halfway, the nodes lie halfway: 0.25 to 1.
    json project = {{"matchName", "TQKV Absolute Curves"},
                    {"parameters",
                     {{"curve",
                       {{"keyframes",
                         {{{"time", 0.0}, {"value", curveSetText({{"rgb", straightCurve(0.0, 1.0)}})}},
                          {{"time", 2.0}, {"value", curveSetText({{"rgb", straightCurve(0.5, 1.0)}})}}}}}}}}};
    writeText(at("keys.json"), project.dump());
    const struct {
        const char* time;
        double y0;
    } cases[] = {{"0", 0.0}, {"1", 0.25}, {"0.5", 0.125}, {"2", 0.5}, {"5", 0.5}};
    for (const auto& c : cases) {
        const ToolRun run = kvhost({"render", KV_MORROWBY, path("in.png"), path("out.png"), "--project",
                                    path("keys.json"), "--time", c.time});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const FileImage out = readFile(at("out.png"));
        for (std::size_t i = 0; i < ramp.size(); ++i) {
            const double expected = 255.0 * (c.y0 + (1.0 - c.y0) * ramp[i] / 255.0);
            EXPECT_NEAR(double(out.values[i * 3]), expected, kTableTolerance)
                << "time " << c.time << " " << ramp[i];
        }
    }
}

TEST_F(CliTest, CurvesGivenForAnAnimatedValueKeyItAtTheTime) {
    writeFile(at("in.png"), 2, 1, 3, OIIO::TypeDesc::UINT8, rampPixels({0, 255}));
    json project = {{"matchName", "TQKV Absolute Curves"},
                    {"parameters",
                     {{"curve",
                       {{"keyframes",
                         {{{"time", 0.0}, {"value", curveSetText({{"rgb", straightCurve(0.0, 1.0)}})}},
                          {{"time", 2.0}, {"value", curveSetText({{"rgb", straightCurve(0.0, 1.0)}})}}}}}}}}};
    writeText(at("keys.json"), project.dump());
    writeText(at("dark.txt"), curveSetText({{"rgb", straightCurve(0.0, 0.5)}}));
    const ToolRun run =
        kvhost({"render", KV_MORROWBY, path("in.png"), path("out.png"), "--project", path("keys.json"),
                "--time", "1", "--curves", path("dark.txt"), "--save-project", path("saved.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NEAR(double(readFile(at("out.png")).values[3]), 127.5, kTableTolerance);
    const json keys = readJson(at("saved.json"))["parameters"]["curve"]["keyframes"];
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1]["time"], 1.0);
}

TEST_F(CliTest, HistogramsOfTheRenderAreWrittenAsJson) {
    const std::string in = smallPng("in.png");
    // Histogram mode 1 of the rgb curve, as the editor's histogram button leaves it.
    std::string states;
    for (const char* name : {"brightness", "saturation", "hue", "rgb", "red", "green", "blue", "alpha"}) {
        const std::string state = "version 0\nactive -1\nview_x_start 0\nview_x_end 1\nview_y_start 0\n"
                                  "view_y_end 1\ntool_state 0\nfixed_aspect 0\nhistogram 1\n";
        states += std::string("curve_sq_") + name + " " + std::to_string(state.size()) + "\n" + state;
    }
    const json project = {{"matchName", "TQKV Absolute Curves"},
                          {"sequenceData", "version 0\ncurrent 3\nscale 1\n" + states}};
    writeText(at("histogram.json"), project.dump());
    const ToolRun run = kvhost({"render", KV_MORROWBY, in, path("out.png"), "--project",
                                path("histogram.json"), "--histogram-out", path("h.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json h = readJson(at("h.json"));
    EXPECT_EQ(h["pixels"], 6); // 3 x 2
    EXPECT_EQ(h["mode"], 1);
    ASSERT_EQ(h["bins"].size(), 3u);
    for (const json& bins : h["bins"]) {
        EXPECT_EQ(bins.size(), 2560u);
    }
    long counted = 0;
    for (const json& count : h["bins"][0]) {
        counted += count.get<long>();
    }
    EXPECT_GT(counted, 0);

    // Without a histogram shown, the render counts nothing.
    const ToolRun plain =
        kvhost({"render", KV_MORROWBY, in, path("out2.png"), "--histogram-out", path("h2.json")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(readJson(at("h2.json"))["mode"], 0);
}

TEST_F(CliTest, ThreadCountsGiveTheSameImage) {
    std::vector<std::uint8_t> noise(37 * 23 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = std::uint8_t(i * 131 % 256);
    }
    writeFile(at("in.png"), 37, 23, 3, OIIO::TypeDesc::UINT8, noise);
    writeText(at("curve.txt"), curveSetText({{"rgb", straightCurve(0.1, 0.9)}}));
    for (const char* threads : {"1", "3", "16"}) {
        const ToolRun run =
            kvhost({"render", KV_MORROWBY, path("in.png"), path(std::string("t") + threads + ".png"),
                    "--curves", path("curve.txt"), "--threads", threads});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(slurp(at("t1.png")), slurp(at("t3.png")));
    EXPECT_EQ(slurp(at("t1.png")), slurp(at("t16.png")));
}

TEST_F(CliTest, EveryVerbHasHelp) {
    for (const char* verb : {"render", "panel"}) {
        const ToolRun run = kvhost({verb, "--help"});
        EXPECT_EQ(run.exitCode, 0) << verb;
        EXPECT_THAT(run.out, HasSubstr("PLUGIN")) << verb;
    }
    EXPECT_THAT(kvhost({"render", "--help"}).out, HasSubstr("32768"));
    EXPECT_THAT(kvhost({"panel", "--help"}).out, HasSubstr("release X Y"));
    for (const char* verb : {"render", "panel"}) {
        const std::string help = kvhost({verb, "--help"}).out;
        EXPECT_THAT(help, HasSubstr("docs/curve-text.md")) << verb;
        EXPECT_THAT(help, HasSubstr("--points")) << verb;
        EXPECT_THAT(help, HasSubstr("--max-megapixels")) << verb;
    }
    EXPECT_THAT(kvhost({"render", "--help"}).out, HasSubstr("--histogram"));
    EXPECT_THAT(kvhost({"--help"}).out, HasSubstr("docs/curve-text.md"));
    for (const char* verb : {"info", "params"}) {
        EXPECT_THAT(kvhost({verb, "--help"}).out, HasSubstr("--json")) << verb;
    }
}

} // namespace
} // namespace kvtest

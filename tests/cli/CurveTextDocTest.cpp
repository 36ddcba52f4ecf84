// docs/curve-text.md holds what it says: its worked example is curve set text kvhost takes and grades as
// the points it was made from, and the colours sit on the hue axis where its table puts them.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

namespace kvtest {
namespace {

// The first fenced block after a heading of the document.
std::string blockAfter(const std::string& document, const std::string& heading) {
    const std::size_t section = document.find(heading);
    const std::size_t open = document.find("```\n", section);
    const std::size_t close = document.find("```\n", open + 4);
    if (section == std::string::npos || open == std::string::npos || close == std::string::npos) {
        return std::string();
    }
    return document.substr(open + 4, close - open - 4);
}

TEST_F(CliTest, TheWorkedExampleIsCurveTextThatGradesAsItsPoints) {
    const std::string example =
        blockAfter(slurp(std::string(KV_DOCS) + "/curve-text.md"), "## Worked example");
    ASSERT_THAT(example, ::testing::StartsWith("version 0\ncurve_hue 74\n"));
    writeText(at("example.txt"), example);
    std::vector<std::uint8_t> ramp;
    for (int v = 0; v < 256; ++v) {
        ramp.insert(ramp.end(), {std::uint8_t(v), std::uint8_t(255 - v), std::uint8_t(v / 2)});
    }
    writeFile(at("in.png"), 256, 1, 3, OIIO::TypeDesc::UINT8, ramp);
    ToolRun run =
        kvhost({"render", KV_MORROWBY, path("in.png"), path("text.png"), "--curves", path("example.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_MORROWBY, path("in.png"), path("points.png"), "--points",
                  "rgb=0,0 0.25,0.18 0.75,0.85 1,1", "--points", "hue=0.5,0.6"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage text = readFile(at("text.png"));
    const FileImage points = readFile(at("points.png"));
    ASSERT_EQ(text.values.size(), points.values.size());
    for (std::size_t i = 0; i < text.values.size(); ++i) {
        // The text keeps six digits of each handle: a step at most.
        EXPECT_NEAR(double(text.values[i]), double(points.values[i]), 1.0) << i;
    }
    EXPECT_NE(text.values, std::vector<std::uint32_t>(ramp.begin(), ramp.end()));
}

TEST_F(CliTest, ColoursSitOnTheHueAxisWhereTheDocumentSays) {
    // Yellow 0, red 1/6, magenta 1/3, blue 1/2, cyan 2/3, green 5/6: a third of a turn takes each two
    // places on.
    const std::vector<std::uint8_t> colours = {255, 255, 0,   255, 0,   0,   255, 0,   255,
                                               0,   0,   255, 0,   255, 255, 0,   255, 0};
    const std::vector<std::uint32_t> turned = {255, 0,   255, 0,   0,   255, 0,   255, 255,
                                               0,   255, 0,   255, 255, 0,   255, 0,   0};
    writeFile(at("in.png"), 6, 1, 3, OIIO::TypeDesc::UINT8, colours);
    // In float, where the hue curve is evaluated at each pixel's own hue rather than read from a table.
    const ToolRun run = kvhost({"render", KV_MORROWBY, path("in.png"), path("out.exr"), "--depth", "32",
                                "--points", "hue=0.5,0.8333333"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage out = readFile(at("out.exr"));
    ASSERT_EQ(out.floats.size(), turned.size());
    for (std::size_t i = 0; i < turned.size(); ++i) {
        EXPECT_NEAR(out.floats[i], turned[i] / 255.0, 1e-3) << "pixel " << i / 3 << " channel " << i % 3;
    }
}

} // namespace
} // namespace kvtest

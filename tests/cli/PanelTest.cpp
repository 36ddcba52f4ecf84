// kvhost panel: the panel image at the frame's size, the events file, and an edit in the panel that
// reaches the saved project and the render.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

// True when the panel holds more than one colour, i.e. the plug-in drew into it.
bool drawn(const FileImage& image) {
    for (std::size_t i = 0; i + 3 <= image.values.size(); i += std::size_t(image.channels)) {
        for (int c = 0; c < 3; ++c) {
            if (image.values[i + std::size_t(c)] != image.values[std::size_t(c)]) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(CliTest, ThePanelImageHasTheFramesSize) {
    for (const auto& [width, height] :
         {std::pair{"300", "200"}, std::pair{"200", "340"}, std::pair{"617", "351"}}) {
        const ToolRun run =
            kvhost({"panel", KV_MORROWBY, path("panel.png"), "--width", width, "--height", height});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
        const FileImage image = readFile(at("panel.png"));
        EXPECT_EQ(image.width, std::stoi(width));
        EXPECT_EQ(image.height, std::stoi(height));
        EXPECT_EQ(image.format, OIIO::TypeDesc::UINT8);
        EXPECT_EQ(image.channels, 3);
    }
    // Without a size: 600 wide and as high as the control asks (340).
    const ToolRun run = kvhost({"panel", KV_MORROWBY, path("default.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage image = readFile(at("default.png"));
    EXPECT_EQ(image.width, 600);
    EXPECT_EQ(image.height, 340);
}

TEST_F(CliTest, ABadEventsFileStopsBeforeAnythingIsWritten) {
    writeText(at("events.txt"), "click 100 100\ndrag 120 90\nrelease 130 x\n");
    const ToolRun run = kvhost({"panel", KV_MORROWBY, path("panel.png"), "--events", path("events.txt"),
                                "--save-project", path("p.json")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvhost: " + path("events.txt") +
                           ":3: \"x\" is not a whole number of pixels (Y of \"release\")\n");
    EXPECT_EQ(files(), std::set<std::string>{"events.txt"});

    const ToolRun missing = kvhost({"panel", KV_MORROWBY, path("panel.png"), "--events", path("none.txt")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_THAT(missing.err, HasSubstr(path("none.txt") + ": no such file"));
    EXPECT_EQ(files(), std::set<std::string>{"events.txt"});

    const ToolRun badSize = kvhost({"panel", KV_MORROWBY, path("panel.png"), "--width", "0"});
    EXPECT_NE(badSize.exitCode, 0);
    EXPECT_THAT(badSize.err, HasSubstr("--width"));
    EXPECT_EQ(files(), std::set<std::string>{"events.txt"});
}

TEST_F(CliTest, VerboseNamesEachEvent) {
    writeText(at("events.txt"), "# hover, then draw\nmove 150 150\ndraw\n");
    const ToolRun run =
        kvhost({"panel", KV_MORROWBY, path("panel.png"), "--events", path("events.txt"), "--verbose"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("2: move 150 150\n2:   cursor: "));
    EXPECT_THAT(run.out, HasSubstr("3: draw\n"));
    EXPECT_THAT(run.out, HasSubstr("final: draw\n"));
}

TEST_F(CliTest, AClickAndDragInThePanelChangesTheSavedCurve) {
    ToolRun run = kvhost({"panel", KV_MORROWBY, path("before.png"), "--save-project", path("before.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(drawn(readFile(at("before.png")))) << "the panel came out blank: the editor drew nothing";
    // Default frame 600 x 340: the plot spans x 70..581 and y 10..268, the rgb curve is the diagonal.
    // Grab the curve at its middle and pull it up by 60 pixels.
    writeText(at("events.txt"), "click 325 139\ndrag 330 120\ndrag 325 79\nrelease 325 79\n");
    run = kvhost({"panel", KV_MORROWBY, path("after.png"), "--events", path("events.txt"), "--save-project",
                  path("after.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto curveOf = [this](const char* project) {
        return nlohmann::json::parse(slurp(at(project)))["parameters"]["curve"].get<std::string>();
    };
    const std::string before = curveOf("before.json");
    const std::string after = curveOf("after.json");
    EXPECT_NE(after, before);
    // The rgb curve gained a node above the diagonal: the middle of the image gets brighter.
    writeFile(at("grey.png"), 1, 1, 3, OIIO::TypeDesc::UINT8, std::vector<std::uint8_t>{128, 128, 128});
    run = kvhost(
        {"render", KV_MORROWBY, path("grey.png"), path("edited.png"), "--project", path("after.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GT(readFile(at("edited.png")).values[0], 128u + 20u);
}

// A node added with the click-drag gesture and alt-clicked away leaves nothing behind: the saved curve is
// the default again, a grey of 77 renders as 77, and the next node clicked onto the line lands under the
// mouse.
TEST_F(CliTest, AnAltClickedNodeNoLongerShapesTheSavedCurve) {
    ToolRun run = kvhost({"panel", KV_MORROWBY, path("before.png"), "--save-project", path("before.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // x = 0.5 is pixel 325 and y = 0.5 pixel 139; the node goes up to y = 0.75 (pixel 74).
    writeText(at("events.txt"),
              "click 325 139\ndrag 325 100\ndrag 325 74\nrelease 325 74\nclick 325 74 alt\n");
    run = kvhost({"panel", KV_MORROWBY, path("after.png"), "--events", path("events.txt"), "--save-project",
                  path("after.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto curveOf = [this](const char* project) {
        return nlohmann::json::parse(slurp(at(project)))["parameters"]["curve"].get<std::string>();
    };
    EXPECT_EQ(curveOf("after.json"), curveOf("before.json"));

    writeFile(at("grey.png"), 1, 1, 3, OIIO::TypeDesc::UINT8, std::vector<std::uint8_t>{77, 77, 77});
    run = kvhost({"render", KV_MORROWBY, path("grey.png"), path("out.png"), "--project", path("after.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(at("out.png")).values, (std::vector<std::uint32_t>{77, 77, 77}));

    // A click on the line at x = 0.3 (pixel 223, y pixel 190): the node lands within a pixel of the mouse.
    writeText(at("again.txt"), "click 223 190\nrelease 223 190\n");
    run = kvhost({"panel", KV_MORROWBY, path("again.png"), "--project", path("after.json"), "--events",
                  path("again.txt"), "--save-project", path("again.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string again = curveOf("again.json");
    const std::size_t rgb = again.find("curve_rgb");
    ASSERT_NE(rgb, std::string::npos);
    std::istringstream lines(again.substr(rgb));
    int points = 0;
    for (std::string line; std::getline(lines, line) && line.rfind("curve_red", 0) != 0;) {
        double x = 0.0;
        double y = 0.0;
        if (std::sscanf(line.c_str(), "point %lf %lf", &x, &y) == 2 && x > 0.0 && x < 1.0) {
            ++points;
            EXPECT_NEAR(x, 0.3, 1.0 / 511.0);
            EXPECT_NEAR(268.0 - 258.0 * y, 190.0, 1.0) << "y " << y;
        }
    }
    EXPECT_EQ(points, 1);
}

} // namespace
} // namespace kvtest

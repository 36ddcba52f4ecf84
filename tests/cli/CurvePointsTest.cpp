// --points: a curve through given nodes, built by the effect's own editor. The same nodes placed by
// clicking and dragging in the panel give the same curve, handles included.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sstream>

namespace kvtest {
namespace {

using nlohmann::json;

// One node of a stored curve: the nine values of its "point" line.
struct StoredNode {
    std::vector<double> values;
};

// The nodes of one curve of a project's "curve" value, ordered by x.
std::vector<StoredNode> nodesOf(const fs::path& project, const std::string& curve) {
    const std::string text = json::parse(slurp(project))["parameters"]["curve"].get<std::string>();
    std::istringstream lines(text);
    std::vector<StoredNode> nodes;
    bool inside = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("curve_", 0) == 0) {
            inside = line.rfind("curve_" + curve + " ", 0) == 0;
        } else if (inside && line.rfind("point ", 0) == 0) {
            std::istringstream words(line.substr(6));
            StoredNode node;
            for (double v; words >> v;) {
                node.values.push_back(v);
            }
            nodes.push_back(node);
        }
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const StoredNode& a, const StoredNode& b) { return a.values[0] < b.values[0]; });
    return nodes;
}

std::string pointsOption(const std::string& curve, const std::vector<StoredNode>& nodes) {
    std::string option = curve + "=";
    for (const StoredNode& node : nodes) {
        std::ostringstream point;
        point << node.values[0] << "," << node.values[1] << " ";
        option += point.str();
    }
    return option;
}

// Node positions agree to the six digits of the stored text (the typed entry is single precision); the
// handles follow from them by the effect's rule, so they agree as closely.
constexpr double kPositionTolerance = 1e-5;
constexpr double kHandleTolerance = 1e-4;

TEST_F(CliTest, PointsGiveTheCurveThatClickingInThePanelGives) {
    // Default frame 600 x 340: the plot spans x 70..581 and y 10..268. Two nodes added with shift-clicks
    // on the diagonal and dragged up and down.
    writeText(at("events.txt"), "click 200 200 shift\ndrag 200 160\ndrag 200 120\nrelease 200 120\n"
                                "click 450 150 shift\ndrag 450 180\ndrag 450 200\nrelease 450 200\n");
    ToolRun run = kvhost({"panel", KV_MORROWBY, path("clicked.png"), "--events", path("events.txt"),
                          "--save-project", path("clicked.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<StoredNode> clicked = nodesOf(at("clicked.json"), "rgb");
    ASSERT_EQ(clicked.size(), 4u) << slurp(at("clicked.json"));

    run = kvhost({"render", KV_MORROWBY, smallPng("in.png"), path("out.png"), "--points",
                  pointsOption("rgb", clicked), "--save-project", path("points.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<StoredNode> built = nodesOf(at("points.json"), "rgb");
    ASSERT_EQ(built.size(), clicked.size());
    for (std::size_t n = 0; n < built.size(); ++n) {
        for (std::size_t v = 0; v < 9; ++v) {
            const double tolerance = v < 2 ? kPositionTolerance : v < 6 ? kHandleTolerance : 0.0;
            EXPECT_NEAR(built[n].values[v], clicked[n].values[v], tolerance)
                << "node " << n << " value " << v;
        }
    }
    // The other curves are untouched and the grade is the same.
    EXPECT_EQ(nodesOf(at("points.json"), "red").size(), 2u);
    std::vector<std::uint8_t> ramp;
    for (int v = 0; v < 256; ++v) {
        ramp.insert(ramp.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
    }
    writeFile(at("ramp.png"), 256, 1, 3, OIIO::TypeDesc::UINT8, ramp);
    for (const char* project : {"clicked.json", "points.json"}) {
        run = kvhost({"render", KV_MORROWBY, path("ramp.png"), path(std::string(project) + ".png"),
                      "--project", path(project)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const FileImage a = readFile(at("clicked.json.png"));
    const FileImage b = readFile(at("points.json.png"));
    ASSERT_EQ(a.values.size(), b.values.size());
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        EXPECT_NEAR(double(a.values[i]), double(b.values[i]), 1.0) << i;
    }
}

TEST_F(CliTest, PointsLeaveThePopupsAndTheEditorAsTheyWere) {
    const ToolRun run = kvhost({"render", KV_MORROWBY, smallPng("in.png"), path("out.png"), "--set",
                                "channel=red", "--set", "scale=2", "--points", "rgb=0,0.1 0.5,0.7 1,0.9",
                                "--points", "Blue=0,0 1,0.5", "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json project = json::parse(slurp(at("p.json")));
    EXPECT_EQ(project["parameters"]["channel"], 5);
    EXPECT_EQ(project["parameters"]["scale"], 2);
    EXPECT_THAT(project["sequenceData"].get<std::string>(), ::testing::HasSubstr("scale 255\n"));
    const std::vector<StoredNode> rgb = nodesOf(at("p.json"), "rgb");
    ASSERT_EQ(rgb.size(), 3u);
    EXPECT_EQ(rgb[1].values[0], 0.5);
    EXPECT_EQ(rgb[1].values[1], 0.7);
    EXPECT_EQ(nodesOf(at("p.json"), "blue").size(), 2u);
}

TEST_F(CliTest, PointsBuildARelativeCurveNamedAsInItsChangePopup) {
    const ToolRun run =
        kvhost({"render", KV_TARNWICK, smallPng("in.png"), path("out.png"), "--set", "change=hue", "--points",
                "post blur=0,0 0.5,0.3 1,0", "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<StoredNode> blur = nodesOf(at("p.json"), "postblur");
    ASSERT_EQ(blur.size(), 3u);
    EXPECT_EQ(blur[1].values[1], 0.3);
    EXPECT_EQ(json::parse(slurp(at("p.json")))["parameters"]["change"], 3);
}

TEST_F(CliTest, PointsAreAddedWithTheEditToolAndTheEditorKeepsTheToolItHad) {
    // A project whose editor was left on the pan tool: a click there pans instead of adding a node.
    std::string states;
    for (const char* name : {"brightness", "saturation", "hue", "rgb", "red", "green", "blue", "alpha"}) {
        const std::string state = "version 0\nactive -1\nview_x_start 0\nview_x_end 1\nview_y_start 0\n"
                                  "view_y_end 1\ntool_state 1\nfixed_aspect 0\nhistogram 0\n";
        states += std::string("curve_sq_") + name + " " + std::to_string(state.size()) + "\n" + state;
    }
    writeText(at("pan.json"), json{{"matchName", "TQKV Absolute Curves"},
                                   {"sequenceData", "version 0\ncurrent 3\nscale 1\n" + states}}
                                  .dump());
    const ToolRun run = kvhost({"panel", KV_MORROWBY, path("panel.png"), "--project", path("pan.json"),
                                "--points", "green=0,0.2 0.6,0.4 1,1", "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nodesOf(at("p.json"), "green").size(), 3u);
    const std::string saved = json::parse(slurp(at("p.json")))["sequenceData"].get<std::string>();
    EXPECT_EQ(saved.find("tool_state 0"), std::string::npos) << saved;
}

TEST_F(CliTest, PointsShapeALutAsTheyShapeARender) {
    ToolRun run = kvhost({"lut", KV_MORROWBY, path("points.cube"), "--points", "rgb=0,0 0.5,0.7 1,1", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"lut", KV_MORROWBY, path("plain.cube"), "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(slurp(at("points.cube")), slurp(at("plain.cube")));
    EXPECT_THAT(slurp(at("points.cube")), ::testing::HasSubstr("points rgb=0,0 0.5,0.7 1,1"));
    run = kvhost({"lut", KV_MORROWBY, path("nan.cube"), "--time", "nan"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, ::testing::HasSubstr("\"nan\" is not a finite number of seconds"));
}

} // namespace
} // namespace kvtest

// What a saved project and the files kvhost is given carry: layer files that reopen with the project,
// curve sets and events written on Windows, and the histogram mode set from the command line.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

namespace kvtest {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

TEST_F(CliTest, ALayerFileIsRecordedInTheProjectAndReopensWithIt) {
    writeFile(at("in.png"), 16, 8, 3, OIIO::TypeDesc::UINT8, noise(16, 8, 1));
    writeFile(at("base.png"), 16, 8, 3, OIIO::TypeDesc::UINT8, noise(16, 8, 2));
    const std::string curves = std::string(KV_EXAMPLES) + "/relative-postblur-by-brightness.txt";
    ToolRun run = kvhost({"render", KV_TARNWICK, path("in.png"), path("with.png"), "--curves", curves,
                          "--layer", "base layer=" + path("base.png"), "--save-project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_TARNWICK, path("in.png"), path("without.png"), "--curves", curves});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_NE(slurp(at("with.png")), slurp(at("without.png"))) << "the base layer changes the grade";
    EXPECT_EQ(json::parse(slurp(at("p.json")))["layers"], (json{{"base layer", "base.png"}}));

    run = kvhost({"render", KV_TARNWICK, path("in.png"), path("reopened.png"), "--project", path("p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("reopened.png")), slurp(at("with.png")));

    // The project and its layer moved together still find each other.
    fs::create_directory(at("moved"));
    fs::rename(at("p.json"), at("moved/p.json"));
    fs::rename(at("base.png"), at("moved/base.png"));
    run =
        kvhost({"render", KV_TARNWICK, path("in.png"), path("moved.png"), "--project", path("moved/p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("moved.png")), slurp(at("with.png")));

    // A layer outside the project's folder is recorded by its full path; --layer still replaces it.
    fs::create_directory(at("projects"));
    run = kvhost({"render", KV_TARNWICK, path("in.png"), path("again.png"), "--project", path("moved/p.json"),
                  "--save-project", path("projects/p.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(json::parse(slurp(at("projects/p.json")))["layers"]["base layer"],
              fs::absolute(at("moved/base.png")).lexically_normal().string());
    run = kvhost({"render", KV_TARNWICK, path("in.png"), path("other.png"), "--project",
                  path("projects/p.json"), "--layer", "base layer=" + path("in.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(slurp(at("other.png")), slurp(at("with.png")));
}

TEST_F(CliTest, CurveSetsAndEventsWrittenWithCrLfReadAsWrittenWithLf) {
    writeFile(at("in.png"), 4, 1, 3, OIIO::TypeDesc::UINT8, std::vector<std::uint8_t>(12, 30));
    // A flat curve at 0.5: every pixel becomes 128.
    const std::string flat = curveSetText({{"rgb", "version 0\nloop 0\npoint 0 0.5 0.333 0 0.333 0 1 0 0\n"
                                                   "point 1 0.5 0.333 0 0.333 0 1 0 0\n"}});
    std::string crlf;
    for (const char c : flat) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    writeText(at("lf.txt"), flat);
    writeText(at("crlf.txt"), crlf);
    for (const char* curves : {"lf.txt", "crlf.txt"}) {
        const ToolRun run = kvhost({"render", KV_MORROWBY, path("in.png"), path(std::string(curves) + ".png"),
                                    "--curves", path(curves)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(readFile(at(std::string(curves) + ".png")).values, std::vector<std::uint32_t>(12, 128))
            << curves;
    }

    writeText(at("lf.events"), "click 200 200 shift\ndrag 200 120\nrelease 200 120\n");
    writeText(at("crlf.events"), "click 200 200 shift\r\ndrag 200 120\r\nrelease 200 120\r\n");
    for (const char* events : {"lf.events", "crlf.events"}) {
        const ToolRun run = kvhost({"panel", KV_MORROWBY, path(std::string(events) + ".png"), "--events",
                                    path(events), "--save-project", path(std::string(events) + ".json")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(slurp(at("crlf.events.png")), slurp(at("lf.events.png")));
    EXPECT_EQ(slurp(at("crlf.events.json")), slurp(at("lf.events.json")));
}

TEST_F(CliTest, TheHistogramOptionShowsTheHistogramAsThePanelButtonDoes) {
    const std::string in = smallPng("in.png");
    for (const int mode : {1, 2}) {
        const ToolRun run =
            kvhost({"render", KV_MORROWBY, in, path("out.png"), "--histogram", std::to_string(mode),
                    "--histogram-out", path("h.json"), "--save-project", path("p.json")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const json h = json::parse(slurp(at("h.json")));
        EXPECT_EQ(h["mode"], mode);
        EXPECT_EQ(h["pixels"], 6);
        long counted = 0;
        for (const json& count : h["bins"][0]) {
            counted += count.get<long>();
        }
        EXPECT_EQ(counted, 6) << "every pixel counted once, mode " << mode;
        // Every curve's editor state shows it, as after the button and a gesture in the panel.
        const std::string states = json::parse(slurp(at("p.json")))["sequenceData"].get<std::string>();
        std::size_t shown = 0;
        for (std::size_t at = states.find("histogram " + std::to_string(mode) + "\n");
             at != std::string::npos; at = states.find("histogram " + std::to_string(mode) + "\n", at + 1)) {
            ++shown;
        }
        EXPECT_EQ(shown, 8u) << states;
    }
    EXPECT_THAT(kvhost({"render", "--help"}).out, HasSubstr("--histogram"));
}

} // namespace
} // namespace kvtest

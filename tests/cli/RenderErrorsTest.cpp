// Every bad input of kvhost render: one message that names the file, the parameter or the value at
// fault, a non-zero exit, and no output file (nor a temporary one) left behind.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

class RenderErrors : public CliTest {
protected:
    // Runs a render that must fail; the folder must hold afterwards exactly what it held before.
    void expectFailure(std::vector<std::string> arguments, const std::string& culprit,
                       const std::string& fault, const std::string& output = "out.png") {
        const std::set<std::string> before = files();
        std::vector<std::string> command = {"render", KV_MORROWBY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const ToolRun run = kvhost(command);
        EXPECT_NE(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, HasSubstr(culprit));
        EXPECT_THAT(run.err, HasSubstr(fault));
        EXPECT_FALSE(fs::exists(at(output))) << output;
        EXPECT_EQ(files(), before) << "something was left behind";
    }
};

TEST_F(RenderErrors, SetOfAnUnknownNameAValueOutOfRangeOrOfTheWrongType) {
    const std::string in = smallPng("in.png");
    const std::string out = path("out.png");
    expectFailure({in, out, "--set", "colour=1"}, "\"colour\"", "no parameter");
    expectFailure({in, out, "--set", "channel=9"}, "\"channel\"", "no item 9");
    expectFailure({in, out, "--set", "channel=0"}, "\"channel\"", "no item 0");
    expectFailure({in, out, "--set", "channel=purple"}, "\"purple\"", "is not an item of \"channel\"");
    expectFailure({in, out, "--set", "node x (input)=twelve"}, "\"twelve\"", "is not a number");
    expectFailure({in, out, "--set", "node x (input)=1e8"}, "1e8", "outside the range of \"node x (input)\"");
    expectFailure({in, out, "--set", "node x (input)=nan"}, "\"nan\"", "is not a number");
    expectFailure({in, out, "--set", "invert all=yes"}, "\"invert all\"", "0 or 1");
    expectFailure({in, out, "--set", "select node x (input)=1,2"}, "\"1,2\"", "not a colour");
    expectFailure({in, out, "--set", "select node x (input)=1,2,300"}, "\"300\"", "0..255");
    expectFailure({in, out, "--set", "curve=1"}, "\"curve\"", "--curves");
    expectFailure({in, out, "--set", "channel"}, "\"channel\"", "NAME=VALUE");
}

TEST_F(RenderErrors, UnreadableCurveText) {
    const std::string in = smallPng("in.png");
    const std::string out = path("out.png");
    expectFailure({in, out, "--curves", path("none.txt")}, path("none.txt"), "no such file");
    expectFailure({in, out, "--curves", path("")}, path(""), "folder");
    writeText(at("empty.txt"), "");
    expectFailure({in, out, "--curves", path("empty.txt")}, path("empty.txt"), "empty");
    expectFailure({in, out, "--curves", in}, in, "not curve set text");
    writeText(at("words.txt"), "the rgb curve goes up\n");
    expectFailure({in, out, "--curves", path("words.txt")}, path("words.txt"), "\"the\"");
    // A curve of the other effect would be skipped by the plug-in without a word.
    writeText(at("relative.txt"), curveSetText({{"postblur", straightCurve(0.0, 1.0)}}));
    expectFailure({in, out, "--curves", path("relative.txt")}, path("relative.txt"),
                  "\"postblur\" is not a curve of this effect");
    // 41 nodes: the effect keeps 40.
    std::string many = "version 0\nloop 0\n";
    for (int i = 0; i <= 40; ++i) {
        many += "point " + std::to_string(i / 40.0) + " " + std::to_string(i / 40.0) + " 0 0 0 0 0 0 0\n";
    }
    writeText(at("many.txt"), curveSetText({{"rgb", many}}));
    expectFailure({in, out, "--curves", path("many.txt")}, "\"rgb\"", "has 41 nodes but the effect read 40");
}

TEST_F(RenderErrors, InputsThatAreNoImages) {
    const std::string out = path("out.png");
    expectFailure({path("missing.png"), out}, path("missing.png"), "no such file");
    expectFailure({folder_.string(), out}, folder_.string(), "is a folder");
    writeText(at("empty.png"), "");
    expectFailure({path("empty.png"), out}, path("empty.png"), "is empty");
    writeText(at("text.png"), "not a picture\n");
    expectFailure({path("text.png"), out}, path("text.png"), "not an image file");
    // A PNG cut off in the middle of its pixels.
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = std::uint8_t(i * 7919 % 251);
    }
    writeFile(at("whole.png"), 64, 64, 3, OIIO::TypeDesc::UINT8, noise);
    const std::string whole = slurp(at("whole.png"));
    writeText(at("cut.png"), whole.substr(0, whole.size() / 2));
    expectFailure({path("cut.png"), out}, path("cut.png"), "cannot read the pixels");
    // A layer file is checked like the input.
    expectFailure({smallPng("in.png"), out, "--layer", "input layer=" + path("missing.png")},
                  "\"input layer\"", "no parameter");
}

TEST_F(RenderErrors, OutputsThatCannotBeWritten) {
    const std::string in = smallPng("in.png");
    expectFailure({in, path("no/such/folder/out.png")}, path("no/such/folder"), "does not exist");
    // Root may write anywhere, so the folder is made unusable another way: it is a regular file.
    writeText(at("plain"), "a file\n");
    expectFailure({in, path("plain/out.png")}, path("plain"), "is not a folder");
    expectFailure({in, path("out.unknownformat")}, path("out.unknownformat"), "no image format",
                  "out.unknownformat");
    expectFailure({in, folder_.string()}, folder_.string(), "folder");
    expectFailure({in, path("out.png"), "--save-project", path("nowhere/p.json")}, path("nowhere"),
                  "does not exist");
    expectFailure({in, path("out.png"), "--histogram-out", path("plain/h.json")}, path("plain"),
                  "is not a folder");
}

TEST_F(RenderErrors, AProjectForTheOtherEffect) {
    const std::string in = smallPng("in.png");
    writeText(at("relative.json"), R"({"matchName": "TQKV Relative Curves", "parameters": {}})");
    expectFailure({in, path("out.png"), "--project", path("relative.json")}, path("relative.json"),
                  "made for \"TQKV Relative Curves\"");
    writeText(at("broken.json"), R"({"matchName": "TQKV Absolute Curves", "parameters": {"channel": 12}})");
    expectFailure({in, path("out.png"), "--project", path("broken.json")}, path("broken.json"), "no item 12");
    writeText(at("not.json"), "matchName = absolute");
    expectFailure({in, path("out.png"), "--project", path("not.json")}, path("not.json"),
                  "not a project file");
}

TEST_F(RenderErrors, LegacyRenderHasNoFloat) {
    const std::string in = smallPng("in.png");
    expectFailure({in, path("out.png"), "--legacy", "--depth", "32"}, "--legacy", "8 and 16 bits only");
    writeFile(at("float.exr"), 1, 1, 3, OIIO::TypeDesc::FLOAT, std::vector<float>{0.5f, 0.5f, 0.5f});
    expectFailure({path("float.exr"), path("out.png"), "--legacy"}, path("float.exr"), "--depth 8 or 16");
    // The same at 16 bits works, and gives the smart render's pixels.
    ToolRun run = kvhost({"render", KV_MORROWBY, in, path("legacy.png"), "--legacy", "--depth", "16"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_MORROWBY, in, path("smart.png"), "--depth", "16"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("legacy.png")), slurp(at("smart.png")));
}

TEST_F(RenderErrors, BadOptionValuesAreUsageErrors) {
    const std::string in = smallPng("in.png");
    expectFailure({in, path("out.png"), "--depth", "12"}, "--depth", "12");
    expectFailure({in, path("out.png"), "--threads", "0"}, "--threads", "0");
    expectFailure({in, path("out.png"), "--time", "-1"}, "--time", "-1");
}

} // namespace
} // namespace kvtest

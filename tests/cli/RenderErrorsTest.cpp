// Every kind of bad input kvhost meets, as one table: each row makes its files in the test's folder and
// names the arguments. Each must end with a message that names the file, the parameter or the value at
// fault, a non-zero exit (no crash), nothing on standard output, and no output file (nor a temporary one)
// left behind.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

#include <functional>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

// What one bad input is run with and must say.
struct Case {
    std::vector<std::string> arguments; // after "kvhost"
    std::vector<std::string> says;      // parts of the message: the culprit and the fault
    std::string output = "out.png";     // the output that must not appear (empty: none in the folder)
};

class BadInput;

struct Row {
    const char* name;
    std::function<Case(const BadInput&)> make;
};

class BadInput : public CliTest, public ::testing::WithParamInterface<Row> {
public:
    using CliTest::at;
    using CliTest::path;
    using CliTest::smallPng;
    std::string folder() const { return folder_.string(); }
    std::vector<std::string> render(std::vector<std::string> rest, const char* plugin = KV_MORROWBY) const {
        std::vector<std::string> arguments = {"render", plugin};
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        return arguments;
    }
    // A render of a good picture into out.png with the options given.
    std::vector<std::string> renderWith(std::vector<std::string> options) const {
        std::vector<std::string> rest = {smallPng("in.png"), path("out.png")};
        rest.insert(rest.end(), options.begin(), options.end());
        return render(rest);
    }
    std::string file(const std::string& name, const std::string& bytes) const {
        writeText(at(name), bytes);
        return path(name);
    }
};

// The CRC of PNG chunks (ISO 3309), bit by bit.
std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string bigEndian(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
    return bigEndian(std::uint32_t(data.size())) + type + data + bigEndian(crc32(type + data));
}

// A PNG that declares its size and holds no pixel data: 8-bit RGBA.
std::string pngDeclaring(std::uint32_t width, std::uint32_t height) {
    const std::string header = bigEndian(width) + bigEndian(height) + std::string("\x08\x06\x00\x00\x00", 5);
    // A data chunk (an empty deflate stream) so that the reader gets past the header to the size check.
    const std::string data("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", data) + chunk("IEND", "");
}

std::string garbage() {
    std::string bytes;
    for (int i = 0; i < 600; ++i) {
        bytes += char((i * 7919 + 13) % 256);
    }
    return bytes;
}

std::string manyNodes() {
    std::string many = "version 0\nloop 0\n";
    for (int i = 0; i <= 40; ++i) {
        many += "point " + std::to_string(i / 40.0) + " " + std::to_string(i / 40.0) + " 0 0 0 0 0 0 0\n";
    }
    return curveSetText({{"rgb", many}});
}

std::string cutPng(const BadInput& t) {
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = std::uint8_t(i * 7919 % 251);
    }
    writeFile(t.at("whole.png"), 64, 64, 3, OIIO::TypeDesc::UINT8, noise);
    const std::string whole = slurp(t.at("whole.png"));
    return t.file("cut.png", whole.substr(0, whole.size() / 2));
}

std::string project(const std::string& parameters) {
    return R"({"matchName": "TQKV Absolute Curves", "parameters": )" + parameters + "}";
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        // ---- the input picture and layers ----
        {"MissingInput",
         [](const BadInput& t) { return Case{t.render({t.path("missing.png"), t.path("out.png")}),
                                             {t.path("missing.png"), "no such file"}}; }},
        {"InputIsAFolder",
         [](const BadInput& t) { return Case{t.render({t.folder(), t.path("out.png")}),
                                             {t.folder(), "is a folder"}}; }},
        {"EmptyInput",
         [](const BadInput& t) { return Case{t.render({t.file("empty.png", ""), t.path("out.png")}),
                                             {t.path("empty.png"), "is empty"}}; }},
        {"InputIsText",
         [](const BadInput& t) { return Case{t.render({t.file("text.png", "not a picture\n"), t.path("out.png")}),
                                             {t.path("text.png"), "not an image file"}}; }},
        {"TruncatedPng",
         [](const BadInput& t) { return Case{t.render({cutPng(t), t.path("out.png")}),
                                             {t.path("cut.png"), "cannot read the pixels"}}; }},
        {"InputIsAPipe",
         [](const BadInput& t) {
             ::mkfifo(t.path("pipe.png").c_str(), 0600);
             return Case{t.render({t.path("pipe.png"), t.path("out.png")}),
                         {t.path("pipe.png"), "is not a regular file"}};
         }},
        {"ImageOfZeroSize",
         [](const BadInput& t) { return Case{t.render({t.file("zero.png", pngDeclaring(0, 0)), t.path("out.png")}),
                                             {t.path("zero.png"), "not an image file"}}; }},
        {"HugeDeclaredSize",
         [](const BadInput& t) {
             return Case{t.render({t.file("huge.png", pngDeclaring(100000, 100000)), t.path("out.png")}),
                         {t.path("huge.png"), "100000 x 100000 pixels is larger than the host takes"}};
         }},
        {"LayerOfAnUnknownName",
         [](const BadInput& t) { return Case{t.renderWith({"--layer", "input layer=" + t.path("missing.png")}),
                                             {"\"input layer\"", "no parameter"}}; }},
        {"MissingLayerFile",
         [](const BadInput& t) {
             return Case{t.render({t.smallPng("in.png"), t.path("out.png"), "--layer",
                                   "base layer=" + t.path("none.png")},
                                  KV_TARNWICK),
                         {t.path("none.png"), "no such file"}};
         }},
        // ---- parameter settings ----
        {"SetUnknownName", [](const BadInput& t) { return Case{t.renderWith({"--set", "colour=1"}), {"\"colour\"", "no parameter"}}; }},
        {"SetPopupAboveItsItems", [](const BadInput& t) { return Case{t.renderWith({"--set", "channel=9"}), {"\"channel\"", "no item 9"}}; }},
        {"SetPopupZero", [](const BadInput& t) { return Case{t.renderWith({"--set", "channel=0"}), {"\"channel\"", "no item 0"}}; }},
        {"SetPopupUnknownItem",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "channel=purple"}), {"\"purple\"", "is not an item of \"channel\""}}; }},
        {"SetSliderNotANumber",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "node x (input)=twelve"}), {"\"twelve\"", "is not a number"}}; }},
        {"SetSliderOutOfRange",
         [](const BadInput& t) {
             return Case{t.renderWith({"--set", "node x (input)=1e8"}), {"1e8", "outside the range of \"node x (input)\""}};
         }},
        {"SetSliderNotANumberAtAll",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "node x (input)=nan"}), {"\"nan\"", "is not a number"}}; }},
        {"SetCheckboxWord", [](const BadInput& t) { return Case{t.renderWith({"--set", "invert all=yes"}), {"\"invert all\"", "0 or 1"}}; }},
        {"SetColourTooShort",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "select node x (input)=1,2"}), {"\"1,2\"", "not a colour"}}; }},
        {"SetColourOutOfRange",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "select node x (input)=1,2,300"}), {"\"300\"", "0..255"}}; }},
        {"SetTheCurveDirectly", [](const BadInput& t) { return Case{t.renderWith({"--set", "curve=1"}), {"\"curve\"", "--curves"}}; }},
        {"SetWithoutValue", [](const BadInput& t) { return Case{t.renderWith({"--set", "channel"}), {"\"channel\"", "NAME=VALUE"}}; }},
        // ---- curve set files ----
        {"CurvesMissing",
         [](const BadInput& t) { return Case{t.renderWith({"--curves", t.path("none.txt")}), {t.path("none.txt"), "no such file"}}; }},
        {"CurvesAFolder", [](const BadInput& t) { return Case{t.renderWith({"--curves", t.path("")}), {t.path(""), "folder"}}; }},
        {"CurvesEmpty",
         [](const BadInput& t) { return Case{t.renderWith({"--curves", t.file("empty.txt", "")}), {t.path("empty.txt"), "empty"}}; }},
        {"CurvesArePicture",
         [](const BadInput& t) { return Case{t.renderWith({"--curves", t.path("in.png")}), {t.path("in.png"), "not curve set text"}}; }},
        {"CurvesBinaryGarbage",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("garbage.txt", garbage())}), {t.path("garbage.txt"), "not curve set text"}};
         }},
        {"CurvesOfWords",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("words.txt", "the rgb curve goes up\n")}), {t.path("words.txt"), "\"the\""}};
         }},
        // A curve of the other effect would be skipped by the plug-in without a word.
        {"CurvesOfTheOtherEffect",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("relative.txt", curveSetText({{"postblur", straightCurve(0.0, 1.0)}}))}),
                         {t.path("relative.txt"), "\"postblur\" is not a curve of this effect"}};
         }},
        // 41 nodes: the effect keeps 40.
        {"CurveOfFortyOneNodes",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("many.txt", manyNodes())}), {"\"rgb\"", "has 41 nodes but the effect read 40"}};
         }},
        // ---- output files ----
        {"OutputFolderMissing",
         [](const BadInput& t) {
             return Case{t.render({t.smallPng("in.png"), t.path("no/such/folder/out.png")}), {t.path("no/such/folder"), "does not exist"}};
         }},
        // Root may write anywhere: a folder is made unusable as a regular file, or lies where files cannot be made.
        {"OutputFolderIsAFile",
         [](const BadInput& t) {
             t.file("plain", "a file\n");
             return Case{t.render({t.smallPng("in.png"), t.path("plain/out.png")}), {t.path("plain"), "is not a folder"}};
         }},
        {"OutputFolderNotWritable",
         [](const BadInput& t) {
             return Case{t.render({t.smallPng("in.png"), "/proc/self/out.png"}), {"/proc/self", "is not writable"}, ""};
         }},
        {"OutputFormatUnknown",
         [](const BadInput& t) {
             return Case{t.render({t.smallPng("in.png"), t.path("out.unknownformat")}),
                         {t.path("out.unknownformat"), "no image format"}, "out.unknownformat"};
         }},
        {"OutputIsAFolder",
         [](const BadInput& t) { return Case{t.render({t.smallPng("in.png"), t.folder()}), {t.folder(), "folder"}}; }},
        {"ProjectOutputFolderMissing",
         [](const BadInput& t) {
             return Case{t.renderWith({"--save-project", t.path("nowhere/p.json")}), {t.path("nowhere"), "does not exist"}};
         }},
        {"HistogramOutputFolderIsAFile",
         [](const BadInput& t) {
             t.file("plain", "a file\n");
             return Case{t.renderWith({"--histogram-out", t.path("plain/h.json")}), {t.path("plain"), "is not a folder"}};
         }},
        // ---- projects ----
        {"ProjectMissing",
         [](const BadInput& t) { return Case{t.renderWith({"--project", t.path("none.json")}), {t.path("none.json"), "cannot open"}}; }},
        {"ProjectOfTheOtherEffect",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("relative.json", R"({"matchName": "TQKV Relative Curves", "parameters": {}})")}),
                         {t.path("relative.json"), "made for \"TQKV Relative Curves\""}};
         }},
        {"ProjectNotJson",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("not.json", "matchName = absolute")}), {t.path("not.json"), "not a project file"}};
         }},
        {"ProjectBinaryGarbage",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("garbage.json", garbage())}), {t.path("garbage.json"), "not a project file"}};
         }},
        {"ProjectWithoutMatchName",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("nameless.json", R"({"parameters": {}})")}), {t.path("nameless.json"), "no match name"}};
         }},
        {"ProjectValueOfTheWrongType",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("type.json", project(R"({"channel": "rgb"})"))}),
                         {t.path("type.json"), "\"channel\"", "is not a number"}};
         }},
        {"ProjectPopupOutOfRange",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("broken.json", project(R"({"channel": 12})"))}), {t.path("broken.json"), "no item 12"}};
         }},
        {"ProjectSliderOutOfRange",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("range.json", project(R"json({"node x (input)": 1e8})json"))}),
                         {t.path("range.json"), "\"node x (input)\"", "outside its range"}};
         }},
        {"ProjectUnknownParameter",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("unknown.json", project(R"({"colour": 1})"))}),
                         {t.path("unknown.json"), "no parameter \"colour\""}};
         }},
        {"ProjectKeyframesNotAList",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("keys.json", project(R"({"invert all": {"keyframes": 3}})"))}),
                         {t.path("keys.json"), "keyframes of \"invert all\""}};
         }},
        {"ProjectSequenceDataBadHex",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("hex.json", R"({"matchName": "TQKV Absolute Curves", "sequenceData": {"hex": "0g"}})")}),
                         {t.path("hex.json"), "sequence data has a bad hex digit"}};
         }},
        // ---- events files ----
        {"EventsBadLine",
         [](const BadInput& t) {
             return Case{{"panel", KV_MORROWBY, t.path("panel.png"), "--events", t.file("events.txt", "click 100 100\nwiggle 3 4\n")},
                         {t.path("events.txt") + ":2:", "unknown event \"wiggle\""}, "panel.png"};
         }},
        {"EventsDragWithoutClick",
         [](const BadInput& t) {
             return Case{{"panel", KV_MORROWBY, t.path("panel.png"), "--events", t.file("events.txt", "draw\ndrag 5 5\n")},
                         {t.path("events.txt") + ":2:", "without a click before it"}, "panel.png"};
         }},
        {"EventsMissing",
         [](const BadInput& t) {
             return Case{{"panel", KV_MORROWBY, t.path("panel.png"), "--events", t.path("none.txt")},
                         {t.path("none.txt"), "no such file"}, "panel.png"};
         }},
        // ---- plug-in files ----
        {"PluginMissing",
         [](const BadInput& t) { return Case{t.render({t.smallPng("in.png"), t.path("out.png")}, "/no/such/plugin.so"),
                                             {"/no/such/plugin.so", "no such file"}}; }},
        {"PluginIsText",
         [](const BadInput& t) {
             const std::string plugin = t.file("plugin.so", "not a library\n");
             return Case{t.render({t.smallPng("in.png"), t.path("out.png")}, plugin.c_str()),
                         {plugin, "not a shared library (no ELF header)"}};
         }},
        {"PluginIsAPicture",
         [](const BadInput& t) {
             const std::string plugin = t.smallPng("plugin.png");
             return Case{{"panel", plugin, t.path("panel.png")}, {plugin, "not a shared library"}, "panel.png"};
         }},
        // ---- options ----
        {"LegacyRenderAtFloat",
         [](const BadInput& t) { return Case{t.renderWith({"--legacy", "--depth", "32"}), {"--legacy", "8 and 16 bits only"}}; }},
        {"LegacyRenderOfAFloatFile",
         [](const BadInput& t) {
             writeFile(t.at("float.exr"), 1, 1, 3, OIIO::TypeDesc::FLOAT, std::vector<float>{0.5f, 0.5f, 0.5f});
             return Case{t.render({t.path("float.exr"), t.path("out.png"), "--legacy"}), {t.path("float.exr"), "--depth 8 or 16"}};
         }},
        {"DepthTwelve", [](const BadInput& t) { return Case{t.renderWith({"--depth", "12"}), {"--depth", "12"}}; }},
        {"NoThreads", [](const BadInput& t) { return Case{t.renderWith({"--threads", "0"}), {"--threads", "0"}}; }},
        {"NegativeTime", [](const BadInput& t) { return Case{t.renderWith({"--time", "-1"}), {"--time", "-1"}}; }},
        {"PanelWidthZero",
         [](const BadInput& t) { return Case{{"panel", KV_MORROWBY, t.path("panel.png"), "--width", "0"}, {"--width"}, "panel.png"}; }},
    };
    return table;
}

TEST_P(BadInput, NamesTheFaultExitsNonZeroAndWritesNothing) {
    const Case c = GetParam().make(*this);
    const std::set<std::string> before = files();
    const ToolRun run = kvhost(c.arguments);
    EXPECT_GT(run.exitCode, 0) << run.err;
    EXPECT_LT(run.exitCode, 128) << "ended by a signal: " << run.err;
    EXPECT_EQ(run.out, "");
    for (const std::string& part : c.says) {
        EXPECT_THAT(run.err, HasSubstr(part));
    }
    if (!c.output.empty()) {
        EXPECT_FALSE(fs::exists(at(c.output))) << c.output;
    }
    EXPECT_EQ(files(), before) << "something was left behind";
}

INSTANTIATE_TEST_SUITE_P(Kvhost, BadInput, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// A legacy render at 16 bits works where float does not, and gives the smart render's pixels.
TEST_F(CliTest, TheLegacyRenderAtSixteenBitsGivesTheSmartRendersPixels) {
    const std::string in = smallPng("in.png");
    ToolRun run = kvhost({"render", KV_MORROWBY, in, path("legacy.png"), "--legacy", "--depth", "16"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_MORROWBY, in, path("smart.png"), "--depth", "16"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("legacy.png")), slurp(at("smart.png")));
}

} // namespace
} // namespace kvtest

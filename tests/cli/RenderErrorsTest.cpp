// kvhost render with every kind of bad input kvhost meets, as one table (BadInputTable.h).
#include "tests/cli/BadInputTable.h"

#include <nlohmann/json.hpp>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace kvtest {
namespace {

using BadInput = BadInputBase;
using nlohmann::json;

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

// A file of 65 MiB that takes no room: a hole.
std::string sparseFile(const BadInput& t, const std::string& name) {
    t.file(name, "version 0\n");
    fs::resize_file(t.at(name), (std::uintmax_t(65) << 20));
    return t.path(name);
}

void bindSocket(const std::string& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(socket); // the socket file stays
}

std::string project(const std::string& parameters) {
    return absoluteProject(parameters);
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
                                             {t.path("cut.png"), "cannot read the pixels"}, "out.png", true}; }},
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
         [](const BadInput& t) { return Case{t.renderWith({"--project", t.path("none.json")}), {t.path("none.json"), "no such file"}}; }},
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
        // ---- files that are no regular files, or too large, or nested without end ----
        {"CurvesFromADevice",
         [](const BadInput& t) { return Case{t.renderWith({"--curves", "/dev/zero"}), {"/dev/zero", "is not a regular file"}}; }},
        {"CurvesFromAPipe",
         [](const BadInput& t) {
             ::mkfifo(t.path("pipe.txt").c_str(), 0600);
             return Case{t.renderWith({"--curves", t.path("pipe.txt")}), {t.path("pipe.txt"), "is not a regular file"}};
         }},
        {"ProjectFromADevice",
         [](const BadInput& t) { return Case{t.renderWith({"--project", "/dev/zero"}), {"/dev/zero", "is not a regular file"}}; }},
        {"CurvesLargerThan64MiB",
         [](const BadInput& t) { return Case{t.renderWith({"--curves", sparseFile(t, "huge.txt")}), {t.path("huge.txt"), "larger than 64 MiB"}}; }},
        {"ProjectLargerThan64MiB",
         [](const BadInput& t) { return Case{t.renderWith({"--project", sparseFile(t, "huge.json")}), {t.path("huge.json"), "larger than 64 MiB"}}; }},
        // 200000 arrays in one another: refused before anything copies or prints them.
        {"ProjectNestedWithoutEnd",
         [](const BadInput& t) {
             const std::string deep = absoluteProject(R"({"curve": )" + std::string(200000, '[') + std::string(200000, ']') + "}");
             return Case{t.renderWith({"--project", t.file("deep.json", deep)}), {t.path("deep.json"), "nests deeper than 64 levels"}};
         }},
        // ---- curve set text: what the effect would drop or misread without a word ----
        {"CurveLengthPrefixWrong",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("length.txt", "version 0\ncurve_rgb 30\nversion 0\nloop 0\npoint 0 0 0 0 0 0 0 0 0\n")}),
                         {t.path("length.txt"), "curve \"rgb\" (line 2) gives its length as 30 bytes", "is 41 bytes"}};
         }},
        {"CurveHeaderWithTrailingBlank",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("blank.txt", "version 0\ncurve_rgb 17 \nversion 0\nloop 0\n")}),
                         {t.path("blank.txt"), "line 2", "is not \"curve_NAME LENGTH\""}};
         }},
        {"CurvePointNotANumber",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("nan.txt", curveOfPoints("rgb", {"0 0 0.3 0 0.3 0 1 1 1", "nan 0.5 0.3 0 0.3 0 1 1 1", "1 1 0.3 0 0.3 0 1 1 1"}))}),
                         {t.path("nan.txt"), "curve \"rgb\", line 6: the effect dropped this point: its x \"nan\" is not a number"}};
         }},
        {"CurvePointInfinite",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("inf.txt", curveOfPoints("rgb", {"0 0 0.3 0 0.3 0 1 1 1", "0.5 inf 0.3 0 0.3 0 1 1 1"}))}),
                         {t.path("inf.txt"), "line 6: the effect dropped this point: its y \"inf\" is infinite"}};
         }},
        {"CurvePointTooLarge",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("large.txt", curveOfPoints("rgb", {"0 0 0.3 0 0.3 0 1 1 1", "0.5 0.5 1e308 0 0.3 0 1 1 1"}))}),
                         {t.path("large.txt"), "line 6: the effect dropped this point: its leftDx \"1e308\" lies beyond"}};
         }},
        {"CurvePointOfWords",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("words.txt", curveOfPoints("rgb", {"0 0 0.3 0 0.3 0 1 1 one"}))}),
                         {t.path("words.txt"), "line 5: rightMode \"one\" is not a whole number"}};
         }},
        {"CurvePointShort",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("short.txt", curveOfPoints("rgb", {"0 0 0.3 0 0.3 0"}))}),
                         {t.path("short.txt"), "line 5: a point has 9 values", "this one 6"}};
         }},
        {"CurveValueOfTheRelativeEffectNotTaken",
         [](const BadInput& t) {
             return Case{t.renderWith({"--curves", t.file("values.txt", "version 0\ncurve_values_red 0 0 nan\n")}, KV_TARNWICK),
                         {t.path("values.txt"), "line 2 \"curve_values_red\": value 3 \"nan\" was not taken"}};
         }},
        // ---- projects get the checks of curve files ----
        {"ProjectCurveNotCurveText",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("hello.json", absoluteProject(R"({"curve": "hello world"})"))}),
                         {t.path("hello.json"), "value of \"curve\"", "is not curve set text (it starts with \"hello\""}};
         }},
        {"ProjectCurveOfAHundredThousandPoints",
         [](const BadInput& t) {
             std::vector<std::string> points(100000, "0.5 0.5 0.1 0 0.1 0 1 1 1");
             const nlohmann::json project = {{"matchName", "TQKV Absolute Curves"},
                                             {"parameters", {{"curve", curveOfPoints("rgb", points)}}}};
             return Case{t.renderWith({"--project", t.file("many.json", project.dump())}),
                         {t.path("many.json"), "curve \"rgb\" has 100000 nodes but the effect read 40"}};
         }},
        {"ProjectCurveKeyframeWithADroppedPoint",
         [](const BadInput& t) {
             const nlohmann::json project = {
                 {"matchName", "TQKV Absolute Curves"},
                 {"parameters", {{"curve", {{"keyframes", {{{"time", 2}, {"value", curveOfPoints("rgb", {"0.5 nan 0 0 0 0 1 1 1"})}}}}}}}}};
             return Case{t.renderWith({"--project", t.file("key.json", project.dump())}),
                         {t.path("key.json"), "keyframe at 2 s of \"curve\"", "its y \"nan\" is not a number"}};
         }},
        {"ProjectLayerFileGone",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("layer.json", R"({"matchName": "TQKV Relative Curves", "layers": {"base layer": "gone.png"}})")},
                                      KV_TARNWICK),
                         {t.path("layer.json"), "layer \"base layer\"", t.path("gone.png") + ": no such file"}};
         }},
        {"ProjectLayerOfAParameterThatIsNoLayer",
         [](const BadInput& t) {
             return Case{t.renderWith({"--project", t.file("layer.json", R"({"matchName": "TQKV Relative Curves", "layers": {"show": "in.png"}})")},
                                      KV_TARNWICK),
                         {t.path("layer.json"), "layer \"show\" is not a layer parameter"}};
         }},
        // ---- --points ----
        {"PointsNotANumber",
         [](const BadInput& t) { return Case{t.renderWith({"--points", "rgb=0,0 a,1"}), {"--points", "\"a,1\" is not a point x,y"}}; }},
        {"PointsOfNoCurve",
         [](const BadInput& t) { return Case{t.renderWith({"--points", "purple=0,0 1,1"}), {"\"purple\" is not a curve of the \"channel\" popup"}}; }},
        {"PointsOfTheOtherEffectsCurve",
         [](const BadInput& t) { return Case{t.renderWith({"--points", "rgb=0,0 1,1"}, KV_TARNWICK), {"\"rgb\" is not a curve of the \"change\" popup"}}; }},
        {"PointsNone", [](const BadInput& t) { return Case{t.renderWith({"--points", "rgb="}), {"--points \"rgb=\"", "no points"}}; }},
        {"PointsMoreThanTheEffectHolds",
         [](const BadInput& t) {
             std::string many = "rgb=";
             for (int i = 0; i <= 40; ++i) {
                 many += std::to_string(i / 40.0) + "," + std::to_string(i / 40.0) + " ";
             }
             return Case{t.renderWith({"--points", many}), {"the effect added no node for point 41", "holds 40 of the points"}};
         }},
        // ---- settings ----
        {"SetSliderBeyondItsRange",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "pre blur=1e8"}, KV_TARNWICK), {"outside the range of \"pre blur\" (0 to 9999999)"}}; }},
        {"SetPopupSeparator",
         [](const BadInput& t) { return Case{t.renderWith({"--set", "based on=8"}, KV_TARNWICK), {"item 8 of \"based on\" is a separator line, not a choice", "8 (a separator)"}}; }},
        {"LayerWithoutFile",
         [](const BadInput& t) { return Case{t.renderWith({"--layer", "base layer="}, KV_TARNWICK), {"--layer \"base layer=\": nothing after \"=\""}}; }},
        {"TimeNotANumber", [](const BadInput& t) { return Case{t.renderWith({"--time", "nan"}), {"--time", "\"nan\" is not a finite number of seconds"}}; }},
        {"TimeInfinite", [](const BadInput& t) { return Case{t.renderWith({"--time", "inf"}), {"--time", "\"inf\" is not a finite number of seconds"}}; }},
        {"HistogramModeThree", [](const BadInput& t) { return Case{t.renderWith({"--histogram", "3"}), {"--histogram", "3"}}; }},
        {"UnknownOption", [](const BadInput& t) { return Case{t.renderWith({"--colour", "red"}), {"--colour"}}; }},
        {"MissingOutput", [](const BadInput& t) { return Case{t.render({t.smallPng("in.png")}), {"OUTPUT"}}; }},
        // ---- images that claim more than they hold ----
        {"ImageClaimingElevenThousandSquared",
         [](const BadInput& t) {
             return Case{t.render({t.file("claim.png", pngDeclaring(11000, 11000)), t.path("out.png")}),
                         {t.path("claim.png"), "11000 x 11000 pixels is larger than the host takes", "100 megapixels"}};
         }},
        {"ImageOverTheLimitGiven",
         [](const BadInput& t) {
             return Case{t.render({t.smallPng("in.png"), t.path("out.png"), "--max-megapixels", "0.000001"}),
                         {t.path("in.png"), "3 x 2 pixels is larger than the host takes"}};
         }},
        // ---- outputs that are no files ----
        {"OutputIsASocket",
         [](const BadInput& t) {
             bindSocket(t.path("socket.png"));
             return Case{t.render({t.smallPng("in.png"), t.path("socket.png")}), {t.path("socket.png"), "is a socket"}, ""};
         }},
        {"OutputLinkToAFolder",
         [](const BadInput& t) {
             fs::create_directory(t.at("sub"));
             fs::create_symlink(t.at("sub"), t.at("link.png"));
             return Case{t.render({t.smallPng("in.png"), t.path("link.png")}), {t.path("link.png"), "is a folder"}, ""};
         }},
        {"OutputLinkInALoop",
         [](const BadInput& t) {
             fs::create_symlink(t.at("b.png"), t.at("a.png"));
             fs::create_symlink(t.at("a.png"), t.at("b.png"));
             return Case{t.render({t.smallPng("in.png"), t.path("a.png")}), {t.path("a.png"), "too many levels of symbolic links"}, ""};
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
    };
    return table;
}

class RenderBadInput : public BadInputBase, public ::testing::WithParamInterface<Row> {};

TEST_P(RenderBadInput, NamesTheFaultExitsWith2AndWritesNothing) {
    expectRefused(GetParam().make(*this));
}

INSTANTIATE_TEST_SUITE_P(Kvhost, RenderBadInput, ::testing::ValuesIn(rows()), rowName);

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

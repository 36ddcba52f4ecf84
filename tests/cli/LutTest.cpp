// kvhost lut run as a process: the table it samples through the effect's float render, when it writes
// 1D or 3D, and the settings it refuses without leaving a file behind.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <sstream>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

struct CubeFile {
    std::vector<std::string> header; // the lines before the first entry
    std::vector<float> values;       // three per entry
};

CubeFile readCube(const fs::path& path) {
    CubeFile cube;
    std::istringstream in(slurp(path));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || std::isalpha(static_cast<unsigned char>(line[0]))) {
            cube.header.push_back(line);
            continue;
        }
        std::istringstream numbers(line);
        for (float v; numbers >> v;) {
            cube.values.push_back(v);
        }
    }
    return cube;
}

class LutTest : public CliTest {
protected:
    // A curve set of the Absolute effect with one curve replaced.
    std::string absoluteCurves(const std::string& name, const std::string& curve) {
        const std::string file = path(name + "-curves.txt");
        writeText(file, curveSetText({{name, curve}}));
        return file;
    }
};

TEST_F(LutTest, DefaultCurvesGiveTheLatticeItselfRedFastest) {
    const ToolRun run = kvhost({"lut", KV_MORROWBY, path("id.cube"), "--3d", "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("17^3 3D LUT"));
    const CubeFile cube = readCube(at("id.cube"));
    EXPECT_THAT(cube.header, ::testing::Contains("LUT_3D_SIZE 17"));
    ASSERT_EQ(cube.values.size(), std::size_t(17 * 17 * 17 * 3));
    for (int e = 0; e < 17 * 17 * 17; ++e) {
        const int r = e % 17;
        const int g = e / 17 % 17;
        const int b = e / (17 * 17);
        ASSERT_EQ(cube.values[std::size_t(e) * 3 + 0], float(r / 16.0)) << "entry " << e;
        ASSERT_EQ(cube.values[std::size_t(e) * 3 + 1], float(g / 16.0)) << "entry " << e;
        ASSERT_EQ(cube.values[std::size_t(e) * 3 + 2], float(b / 16.0)) << "entry " << e;
    }
}

TEST_F(LutTest, APerChannelGradeIsA1DTableOf4096Entries) {
    // rgb: a straight line from 0 to 0.6; red: from 0.2 to 1.
    const std::string file = path("curves.txt");
    writeText(file, curveSetText({{"rgb", straightCurve(0.0, 0.6)}, {"red", straightCurve(0.2, 1.0)}}));
    const ToolRun run = kvhost({"lut", KV_MORROWBY, path("grade.cube"), "--curves", file});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("4096-entry 1D LUT"));
    const CubeFile cube = readCube(at("grade.cube"));
    EXPECT_THAT(cube.header, ::testing::Contains("LUT_1D_SIZE 4096"));
    ASSERT_EQ(cube.values.size(), std::size_t(4096 * 3));
    // Red goes through its own curve, then rgb; green and blue through rgb alone. The curve texts round
    // the handles to six digits, so the lines are straight to about 1e-6.
    constexpr double kTolerance = 1e-5;
    for (int i = 0; i < 4096; i += 455) {
        const double x = i / 4095.0;
        EXPECT_NEAR(cube.values[std::size_t(i) * 3 + 0], 0.6 * (0.2 + 0.8 * x), kTolerance) << i;
        EXPECT_NEAR(cube.values[std::size_t(i) * 3 + 1], 0.6 * x, kTolerance) << i;
        EXPECT_NEAR(cube.values[std::size_t(i) * 3 + 2], 0.6 * x, kTolerance) << i;
    }
    // The same grade as a 3D lattice when asked.
    ASSERT_EQ(
        kvhost({"lut", KV_MORROWBY, path("grade3d.clf"), "--curves", file, "--3d", "--size", "17"}).exitCode,
        0);
    EXPECT_THAT(slurp(at("grade3d.clf")), HasSubstr("<Array dim=\"17 17 17 3\">"));
}

TEST_F(LutTest, CurvesThatMixTheChannelsOrInvertAllNeedA3DTable) {
    const std::string saturation = absoluteCurves("saturation", straightCurve(0.0, 0.5));
    ToolRun run = kvhost({"lut", KV_MORROWBY, path("sat.cube"), "--curves", saturation, "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("17^3 3D LUT"));
    run = kvhost({"lut", KV_MORROWBY, path("inv.cube"), "--set", "invert all=1", "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("17^3 3D LUT"));
    // spi3d holds 3D only, so even a per-channel grade is written as a lattice there.
    run = kvhost({"lut", KV_MORROWBY, path("id.spi3d"), "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(slurp(at("id.spi3d")), HasSubstr("SPILUT 1.0\n3 3\n17 17 17\n"));
}

TEST_F(LutTest, AChangedAlphaCurveIsNamedAndLeftOut) {
    const std::string alpha = absoluteCurves("alpha", straightCurve(0.0, 0.5));
    const ToolRun run = kvhost({"lut", KV_MORROWBY, path("a.cube"), "--curves", alpha});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("warning: the \"alpha\" curve is not the default"));
    EXPECT_THAT(run.out, HasSubstr("1D LUT")); // alpha alone leaves the colours per channel
}

TEST_F(LutTest, ARangeSamplesItsDomainAndIsWrittenAsTheFormatAllows) {
    ToolRun run =
        kvhost({"lut", KV_MORROWBY, path("hdr.cube"), "--3d", "--size", "17", "--range", "-0.5,3.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const CubeFile cube = readCube(at("hdr.cube"));
    EXPECT_THAT(cube.header, ::testing::Contains("DOMAIN_MIN -0.5 -0.5 -0.5"));
    EXPECT_THAT(cube.header, ::testing::Contains("DOMAIN_MAX 3.5 3.5 3.5"));
    ASSERT_EQ(cube.values.size(), std::size_t(17 * 17 * 17 * 3));
    EXPECT_EQ(cube.values[0], -0.5f);
    EXPECT_EQ(cube.values[3], -0.25f); // red's second step: -0.5 + 4 / 16
    EXPECT_EQ(cube.values.back(), 3.5f);
    run = kvhost({"lut", KV_MORROWBY, path("hdr.spi1d"), "--range", "-0.5,3.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(slurp(at("hdr.spi1d")), HasSubstr("From -0.5 3.5\nLength 4096\n"));
}

TEST_F(LutTest, TheRelativeEffectHasALutWhileItsGradeIsAColourFunction) {
    // Saturation from hue, added: a function of the pixel's own colour.
    const std::string file = path("rel.txt");
    writeText(file, "version 0\ncurve_values_saturation 2 1 1\n" +
                        curveSetText({{"saturation", straightCurve(0.2, -0.2)}}).substr(10));
    const ToolRun run = kvhost({"lut", KV_TARNWICK, path("rel.clf"), "--curves", file, "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(slurp(at("rel.clf")), HasSubstr("<Array dim=\"17 17 17 3\">"));
}

TEST_F(LutTest, ARelativePropertyDrivenByAlphaIsHeldForOpaquePixels) {
    // Brightness multiplied by a curve of the pixel's alpha.
    const std::string file = path("by-alpha.txt");
    writeText(file, "version 0\ncurve_values_brightness 6 0 1\n" +
                        curveSetText({{"brightness", straightCurve(0.0, 0.5)}}).substr(10));
    const ToolRun run = kvhost({"lut", KV_TARNWICK, path("a.cube"), "--curves", file, "--size", "17"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("warning: the \"brightness\" property is based on alpha: the LUT holds it "
                                   "for opaque pixels"));
}

struct Refusal {
    const char* name;
    std::vector<std::string> arguments; // after "lut PLUGIN OUT"; "{post blur}" is the curve file below
    bool relative;
    const char* output;
    const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class LutRefusal : public LutTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LutRefusal, ClearErrorAndNoFile) {
    const Refusal& refusal = GetParam();
    // A post blur driven by brightness: curve 7 away from its default, change factor 4.
    writeText(at("postblur.txt"), "version 0\ncurve_values_postblur 0 0 4\n" +
                                      curveSetText({{"postblur", straightCurve(1.0, 0.0)}}).substr(10));
    const std::set<std::string> before = files();
    std::vector<std::string> arguments = {"lut", refusal.relative ? KV_TARNWICK : KV_MORROWBY,
                                          path(refusal.output)};
    for (const std::string& a : refusal.arguments) {
        arguments.push_back(a == "{post blur}" ? path("postblur.txt") : a);
    }
    const ToolRun run = kvhost(arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr(refusal.message));
    EXPECT_EQ(files(), before);
}

INSTANTIATE_TEST_SUITE_P(
    LutTest, LutRefusal,
    ::testing::Values(
        Refusal{"SizeBelow17", {"--size", "16"}, false, "a.cube", "--size 16: a 3D LUT has 17 to 129 points"},
        Refusal{"SizeAbove129", {"--size", "130"}, false, "a.cube", "--size 130: a 3D LUT has 17 to 129"},
        Refusal{"UnknownFormat", {"--format", "3dl"}, false, "a.cube", "--format 3dl: unknown"},
        Refusal{"UnknownExtension", {}, false, "a.lut", "no LUT format has this extension"},
        Refusal{"EmptyRange", {"--range", "1,1"}, false, "a.cube", "--range 1,1: LO must be below HI"},
        Refusal{"ReversedRange", {"--range", "2,-1"}, false, "a.cube", "LO must be below HI"},
        Refusal{"RangeNotNumbers", {"--range", "0,x"}, false, "a.cube", "--range 0,x: not LO,HI"},
        Refusal{"RangeInSpi3d", {"--range", "0,2"}, false, "a.spi3d", "spi3d has no input domain"},
        Refusal{"ThreeDInSpi1d", {"--3d"}, false, "a.spi1d", "--3d: spi1d holds a 1D LUT only"},
        Refusal{
            "MixedGradeInSpi1d", {"--set", "invert all=1"}, false, "a.spi1d", "the grade is not per channel"},
        Refusal{"PreBlur", {"--set", "pre blur=2.5"}, true, "a.cube", "\"pre blur\" is 2.5 at 0 s"},
        Refusal{
            "PostBlur", {"--curves", "{post blur}"}, true, "a.cube", "the \"post blur\" property is changed"},
        Refusal{"DiagnosticView", {"--set", "show=matte"}, true, "a.cube", "\"show\" is \"matte\""}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kvtest

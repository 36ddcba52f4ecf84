// LUTs written by kvhost lut, read and applied by OpenColorIO's own tools (Debian's opencolorio-tools and
// oiiotool --ociofiletransform): on the shipped example images and a dense colour cube they agree with
// kvhost render at float within 2e-3 for a 65^3 lattice of a smooth grade, within 1e-5 for a 1D export.
// Each comparison reports its largest and mean error.
#include "tests/clients/ClientFixture.h"

#include <algorithm>
#include <cmath>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

constexpr double k3dTolerance = 2e-3;
constexpr double k1dTolerance = 1e-5;
// The effects evaluate a curve at float with a single-precision cube root, so a curve's value steps by up
// to about 4e-5 where one Bezier segment meets the next (at an inner node); a 1D table interpolates over
// that step within the one entry that straddles the node.
constexpr double k1dAcrossNodesTolerance = 5e-5;

// A Relative grade that is a function of the pixel's own colour and smooth: saturation multiplied by a
// looping curve of hue that lowers it, most for blues (a grey pixel has no saturation to change).
std::string desaturateByHue() {
    const std::string curve = "version 0\nloop 1\n"
                              "point 0.17 0 0.1 0 0.1 0 1 1 1\n"
                              "point 0.5 -0.4 0.1 0 0.1 0 1 1 1\n"
                              "point 0.83 -0.2 0.1 0 0.1 0 1 1 1\n";
    // After the "version 0" line: saturation based on hue (2), multiplied (0), change factor 1.
    return "version 0\ncurve_values_saturation 2 0 1\n" + curveSetText({{"saturation", curve}}).substr(10);
}

// A per-channel grade whose curves are single Bezier segments (no inner node): rgb darkens the middle
// tones, red is lifted at 0 and lowered at 1.
std::string perChannel() {
    return curveSetText({{"rgb", "version 0\nloop 0\n"
                                 "point 0 0 0.3 0 0.3 0.15 1 1 1\n"
                                 "point 1 1 0.3 -0.45 0.3 0.45 1 1 1\n"},
                         {"red", "version 0\nloop 0\n"
                                 "point 0 0.04 0.33 -0.3067 0.33 0.3067 1 1 1\n"
                                 "point 1 0.96 0.33 -0.3067 0.33 0.3067 1 1 1\n"}});
}

struct Grade {
    const char* name;
    bool relative;
    const char* curves;  // a file in examples/, "{desaturate by hue}" or "{per channel}"
    const char* lutFile; // its extension chooses the format
    std::vector<std::string> options;
    double tolerance;
    bool oneDimensional;
    bool highDynamicRange; // sampled over 0..1.5 and checked on the float gradients (up to 1.5) too
};

// ctest lists each case by its name, not by its bytes.
void PrintTo(const Grade& grade, std::ostream* out) {
    *out << grade.name;
}

class OpenColorIO : public ClientTest, public ::testing::WithParamInterface<Grade> {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        // oiiotool applies file transforms only under a configuration, and takes one of a single colour
        // space for none at all: two plain spaces, neither changing anything.
        writeText(at("config.ocio"), "ocio_profile_version: 2\n"
                                     "roles:\n  default: linear\n  scene_linear: linear\n  data: raw\n"
                                     "file_rules:\n  - !<Rule> {name: Default, colorspace: linear}\n"
                                     "displays:\n  none:\n    - !<View> {name: raw, colorspace: raw}\n"
                                     "colorspaces:\n  - !<ColorSpace>\n    name: linear\n"
                                     "  - !<ColorSpace>\n    name: raw\n    isdata: true\n");
    }

    std::vector<std::string> ocio() const { return {"OCIO=" + path("config.ocio")}; }

    // The images the LUT is checked on, as float OpenEXR files: the examples, and a 64^3 colour cube
    // (lattice points that fall between those of a 65^3 LUT). The float gradients reach 1.5, beyond the
    // domain of a LUT over 0..1.
    std::vector<std::string> images(bool highDynamicRange) {
        std::vector<std::string> names;
        const ToolRun cube =
            runWith(ocio(), "ociolutimage", {"--generate", "--cubesize", "64", "--output", path("cube.exr")});
        EXPECT_EQ(cube.exitCode, 0) << cube.err;
        names.push_back("cube.exr");
        std::vector<std::string> examples = {"colour-chart-8bit.png", "gradients-16bit.png"};
        if (highDynamicRange) {
            examples.push_back("gradients-float.exr");
        }
        for (const std::string& example : examples) {
            const std::string name = fs::path(example).stem().string() + ".exr";
            const ToolRun convert = runWith(
                {}, "oiiotool", {std::string(KV_EXAMPLES) + "/" + example, "-d", "float", "-o", path(name)});
            EXPECT_EQ(convert.exitCode, 0) << convert.err;
            names.push_back(name);
        }
        return names;
    }

    struct Error {
        double max = 0.0;
        double mean = 0.0;
    };

    // Red, green and blue of two float images, pixel by pixel.
    static Error compare(const fs::path& expected, const fs::path& actual) {
        const FileImage a = readFile(expected);
        const FileImage b = readFile(actual);
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.height, b.height);
        Error error;
        if (a.width != b.width || a.height != b.height || a.channels < 3 || b.channels < 3) {
            error.max = INFINITY;
            return error;
        }
        double sum = 0.0;
        const std::size_t pixels = std::size_t(a.width) * std::size_t(a.height);
        for (std::size_t p = 0; p < pixels; ++p) {
            for (std::size_t c = 0; c < 3; ++c) {
                const double d = std::abs(double(a.floats[p * std::size_t(a.channels) + c]) -
                                          double(b.floats[p * std::size_t(b.channels) + c]));
                error.max = std::max(error.max, std::isnan(d) ? INFINITY : d);
                sum += d;
            }
        }
        error.mean = sum / double(pixels * 3);
        return error;
    }
};

TEST_P(OpenColorIO, TheExportedLutAgreesWithTheRender) {
    const Grade& grade = GetParam();
    std::string curves = std::string(KV_EXAMPLES) + "/" + grade.curves;
    if (std::string(grade.curves) == "{desaturate by hue}") {
        curves = path("desaturate-by-hue.txt");
        writeText(curves, desaturateByHue());
    } else if (std::string(grade.curves) == "{per channel}") {
        curves = path("per-channel.txt");
        writeText(curves, perChannel());
    }
    const std::string plugin = grade.relative ? KV_TARNWICK : KV_MORROWBY;
    std::vector<std::string> arguments = {"lut", plugin, path(grade.lutFile), "--curves", curves};
    arguments.insert(arguments.end(), grade.options.begin(), grade.options.end());
    if (grade.highDynamicRange) {
        arguments.insert(arguments.end(), {"--range", "0,1.5"});
    }
    const ToolRun lut = kvhost(arguments);
    ASSERT_EQ(lut.exitCode, 0) << lut.err;
    EXPECT_THAT(lut.out, HasSubstr(grade.oneDimensional ? "4096-entry 1D LUT" : "65^3 3D LUT"));

    // OpenColorIO reads the file: ociochecklut lists its one operator.
    const ToolRun check = runWith({}, "ociochecklut", {path(grade.lutFile)});
    ASSERT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_THAT(check.out, HasSubstr(grade.oneDimensional ? "<Lut1DTransform" : "<Lut3DTransform"));
    EXPECT_THAT(check.out, HasSubstr(grade.oneDimensional ? "length=4096" : "gridSize=65"));

    for (const std::string& image : images(grade.highDynamicRange)) {
        const std::string reference = "ref-" + image;
        const ToolRun render = kvhost(
            {"render", plugin, path(image), path(reference), "--curves", curves, "--depth", "32", "--quiet"});
        ASSERT_EQ(render.exitCode, 0) << render.err;
        // The same file through both of OpenColorIO's clients.
        const ToolRun oiiotool = runWith(ocio(), "oiiotool",
                                         {path(image), "--ch", "R,G,B", "--ociofiletransform:unpremult=0",
                                          path(grade.lutFile), "-o", path("oiiotool-" + image)});
        ASSERT_EQ(oiiotool.exitCode, 0) << oiiotool.err;
        const ToolRun convert = runWith(
            {}, "ocioconvert", {"--lut", path(grade.lutFile), path(image), path("ocioconvert-" + image)});
        ASSERT_EQ(convert.exitCode, 0) << convert.out << convert.err;
        for (const std::string client : {"oiiotool", "ocioconvert"}) {
            const Error error = compare(at(reference), at(client + "-" + image));
            std::printf("%-26s %-20s %-11s max error %.3g, mean error %.3g\n", grade.name, image.c_str(),
                        client.c_str(), error.max, error.mean);
            RecordProperty(client + " " + image + " max", std::to_string(error.max));
            RecordProperty(client + " " + image + " mean", std::to_string(error.mean));
            EXPECT_LE(error.max, grade.tolerance) << grade.name << " on " << image << " through " << client;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grades, OpenColorIO,
    ::testing::Values(
        Grade{"SCurve3dCube",
              false,
              "absolute-s-curve.txt",
              "s-curve.cube",
              {"--3d", "--size", "65"},
              k3dTolerance,
              false,
              false},
        Grade{"SaturationBoostClf",
              false,
              "absolute-saturation-boost.txt",
              "saturation.clf",
              {"--size", "65"},
              k3dTolerance,
              false,
              false},
        Grade{"HueShiftSpi3d",
              false,
              "absolute-hue-shift.txt",
              "hue.spi3d",
              {"--size", "65"},
              k3dTolerance,
              false,
              false},
        Grade{"RelativeSaturationByHueCube",
              true,
              "{desaturate by hue}",
              "by-hue.cube",
              {"--size", "65"},
              k3dTolerance,
              false,
              false},
        Grade{"PerChannel1dCube", false, "{per channel}", "per-channel.cube", {}, k1dTolerance, true, false},
        Grade{"PerChannel1dClf", false, "{per channel}", "per-channel.clf", {}, k1dTolerance, true, false},
        Grade{
            "PerChannel1dSpi1d", false, "{per channel}", "per-channel.spi1d", {}, k1dTolerance, true, false},
        Grade{"SCurve1dAcrossNodesCube",
              false,
              "absolute-s-curve.txt",
              "s-curve-1d.cube",
              {},
              k1dAcrossNodesTolerance,
              true,
              false},
        Grade{"SCurve3dHighDynamicRangeClf",
              false,
              "absolute-s-curve.txt",
              "s-curve-hdr.clf",
              {"--3d", "--size", "65"},
              k3dTolerance,
              false,
              true},
        Grade{"PerChannel1dHighDynamicRangeCube",
              false,
              "{per channel}",
              "per-channel-hdr.cube",
              {},
              k1dTolerance,
              true,
              true}),
    [](const ::testing::TestParamInfo<Grade>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kvtest

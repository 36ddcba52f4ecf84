// Image files in and out: the 16-bit mapping onto the host's range, opaque and grey files, and the
// depth an output is written at.
#include "tests/cli/CliFixture.h"

#include "host/ImageFile.h"

#include <gmock/gmock.h>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

// floor(a / b + 0.5) in integers, for a, b >= 0.
std::int64_t nearest(std::int64_t a, std::int64_t b) {
    return (2 * a + b) / (2 * b);
}
std::int64_t hostOf(std::int64_t file) {
    return nearest(file * 32768, 65535);
}
std::int64_t fileOf(std::int64_t host) {
    return std::min<std::int64_t>(65535, nearest(host * 65535, 32768));
}

const std::vector<std::uint16_t> kSixteenBitValues = {0, 1, 32767, 32768, 65535};

TEST(SixteenBitMapping, FileToHostAndBackFollowTheRounding) {
    // Worked out by hand: 1 x 32768 / 65535 = 0.50001 -> 1; 32767 -> 16383.75 -> 16384; 65535 -> 32768.
    EXPECT_EQ(kvhost::hostFrom16BitFile(0), 0);
    EXPECT_EQ(kvhost::hostFrom16BitFile(1), 1);
    EXPECT_EQ(kvhost::hostFrom16BitFile(32767), 16384);
    EXPECT_EQ(kvhost::hostFrom16BitFile(32768), 16384);
    EXPECT_EQ(kvhost::hostFrom16BitFile(65535), 32768);
    EXPECT_EQ(kvhost::fileFrom16BitHost(1), 2);
    EXPECT_EQ(kvhost::fileFrom16BitHost(16384), 32768);
    EXPECT_EQ(kvhost::fileFrom16BitHost(32768), 65535);
    for (std::int64_t v = 0; v <= 65535; ++v) {
        ASSERT_EQ(kvhost::hostFrom16BitFile(int(v)), hostOf(v)) << v;
    }
    for (std::int64_t h = 0; h <= 32768; ++h) {
        ASSERT_EQ(kvhost::fileFrom16BitHost(int(h)), fileOf(h)) << h;
    }
}

TEST_F(CliTest, SixteenBitFileValuesReachTheHostMapped) {
    std::vector<std::uint16_t> rgba;
    for (const std::uint16_t v : kSixteenBitValues) {
        rgba.insert(rgba.end(), {v, v, v, v});
    }
    writeFile(at("in.png"), 5, 1, 4, OIIO::TypeDesc::UINT16, rgba);
    kvhost::InputImageFile file(path("in.png"));
    EXPECT_EQ(file.depth(), 16);
    const kvhost::HostImage image = file.read(16);
    for (int x = 0; x < 5; ++x) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(image.channel(x, 0, c), double(hostOf(kSixteenBitValues[std::size_t(x)])))
                << x << " " << c;
        }
    }
}

TEST_F(CliTest, SixteenBitValuesGoThroughANeutralRenderAndBack) {
    std::vector<std::uint16_t> rgba;
    for (const std::uint16_t v : kSixteenBitValues) {
        rgba.insert(rgba.end(), {v, v, v, 65535});
    }
    writeFile(at("in.png"), 5, 1, 4, OIIO::TypeDesc::UINT16, rgba);
    const ToolRun run = kvhost({"render", KV_MORROWBY, path("in.png"), path("out.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const FileImage out = readFile(at("out.png"));
    ASSERT_EQ(out.format, OIIO::TypeDesc::UINT16);
    ASSERT_EQ(out.channels, 4);
    for (std::size_t x = 0; x < kSixteenBitValues.size(); ++x) {
        const std::uint32_t expected = std::uint32_t(fileOf(hostOf(kSixteenBitValues[x])));
        EXPECT_EQ(out.values[x * 4], expected) << kSixteenBitValues[x];
        EXPECT_EQ(out.values[x * 4 + 3], 65535u);
    }
    // 1 comes back as 2 and 32767 as 32768: the host's range has half the steps of the file's.
    EXPECT_EQ(out.values[1 * 4], 2u);
    EXPECT_EQ(out.values[2 * 4], 32768u);
}

TEST_F(CliTest, AFileWithoutAlphaReadsOpaqueAtEveryDepthAndGivesAnOutputWithout) {
    writeFile(at("rgb.png"), 2, 1, 3, OIIO::TypeDesc::UINT8,
              std::vector<std::uint8_t>{10, 20, 30, 40, 50, 60});
    kvhost::InputImageFile file(path("rgb.png"));
    EXPECT_EQ(file.read(8).channel(1, 0, 0), 255.0);
    EXPECT_EQ(file.read(16).channel(1, 0, 0), 32768.0);
    EXPECT_EQ(file.read(32).channel(1, 0, 0), 1.0);
    EXPECT_EQ(file.read(8).channel(1, 0, 3), 60.0);

    const ToolRun run = kvhost({"render", KV_MORROWBY, path("rgb.png"), path("out.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage out = readFile(at("out.png"));
    ASSERT_EQ(out.channels, 3);
    EXPECT_EQ(out.values, (std::vector<std::uint32_t>{10, 20, 30, 40, 50, 60}));

    // Unless the render made some pixel less than opaque: the alpha curve at 0.5 everywhere.
    const std::string halfAlpha =
        "version 0\nloop 0\npoint 0 0.5 0.3 0 0.3 0 0 0 0\npoint 1 0.5 0.3 0 0.3 0 0 0 0\n";
    writeText(at("alpha.txt"), curveSetText({{"alpha", halfAlpha}}));
    const ToolRun alpha =
        kvhost({"render", KV_MORROWBY, path("rgb.png"), path("alpha.png"), "--curves", path("alpha.txt")});
    ASSERT_EQ(alpha.exitCode, 0) << alpha.err;
    const FileImage translucent = readFile(at("alpha.png"));
    ASSERT_EQ(translucent.channels, 4);
    EXPECT_EQ(translucent.values, (std::vector<std::uint32_t>{10, 20, 30, 128, 40, 50, 60, 128}));
}

TEST_F(CliTest, GreyFilesReadAsEqualRedGreenAndBlue) {
    writeFile(at("grey.png"), 2, 1, 1, OIIO::TypeDesc::UINT8, std::vector<std::uint8_t>{77, 200});
    writeFile(at("grey-alpha.png"), 1, 1, 2, OIIO::TypeDesc::UINT8, std::vector<std::uint8_t>{33, 99});
    ASSERT_EQ(kvhost::InputImageFile(path("grey-alpha.png")).read(8).channel(0, 0, 0), 99.0);
    for (const auto& [name, channels, expected] :
         {std::tuple{"grey.png", 3, std::vector<std::uint32_t>{77, 77, 77, 200, 200, 200}},
          std::tuple{"grey-alpha.png", 4, std::vector<std::uint32_t>{33, 33, 33, 99}}}) {
        const ToolRun run = kvhost({"render", KV_MORROWBY, path(name), path("out.png")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "") << name; // grey "Y" is a colour channel: no warning
        const FileImage out = readFile(at("out.png"));
        ASSERT_EQ(out.channels, channels) << name;
        EXPECT_EQ(out.values, expected) << name;
    }
}

TEST_F(CliTest, TheOutputIsWrittenAtTheRenderDepth) {
    const std::string input = smallPng("in.png");
    const struct {
        const char* depth;
        const char* output;
        OIIO::TypeDesc format;
    } cases[] = {
        {"8", "a.png", OIIO::TypeDesc::UINT8},   {"16", "b.png", OIIO::TypeDesc::UINT16},
        {"32", "c.png", OIIO::TypeDesc::UINT16}, // PNG has no float: the nearest it has
        {"8", "d.tif", OIIO::TypeDesc::UINT8},   {"16", "e.tif", OIIO::TypeDesc::UINT16},
        {"32", "f.tif", OIIO::TypeDesc::FLOAT},  {"8", "g.exr", OIIO::TypeDesc::HALF},
        {"16", "h.exr", OIIO::TypeDesc::FLOAT},  {"32", "i.exr", OIIO::TypeDesc::FLOAT},
    };
    for (const auto& c : cases) {
        const ToolRun run = kvhost({"render", KV_MORROWBY, input, path(c.output), "--depth", c.depth});
        ASSERT_EQ(run.exitCode, 0) << c.output << ": " << run.err;
        const FileImage out = readFile(at(c.output));
        EXPECT_EQ(out.format, c.format) << c.output;
        EXPECT_EQ(out.channels, 4) << c.output;
        // Pixel (1, 0) is 100, 150, 200, 255 in the input: 150 / 255 in every format.
        EXPECT_NEAR(out.floats[4 + 1], 150.0 / 255.0, 1.0 / 1024.0) << c.output;
    }
    // Alpha 128: at 16 bits the host holds nearest(128 x 32768 / 255) and the file gets that mapped back;
    // a float render holds 128 / 255, which PNG stores as nearest(128 x 65535 / 255).
    EXPECT_EQ(readFile(at("b.png")).values[2 * 4 + 3], std::uint32_t(fileOf(nearest(128 * 32768, 255))));
    EXPECT_EQ(readFile(at("c.png")).values[2 * 4 + 3], std::uint32_t(nearest(128 * 65535, 255)));
    EXPECT_EQ(readFile(at("a.png")).values[2 * 4 + 3], 128u);
    // Without --depth the input's depth: 16 bits in, 16 bits out.
    writeFile(at("sixteen.tif"), 1, 1, 3, OIIO::TypeDesc::UINT16,
              std::vector<std::uint16_t>{1000, 2000, 3000});
    const ToolRun run = kvhost({"render", KV_MORROWBY, path("sixteen.tif"), path("out.tif")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(at("out.tif")).format, OIIO::TypeDesc::UINT16);
}

TEST_F(CliTest, FloatValuesPassUnchangedAndJpegHasNoAlpha) {
    writeFile(at("in.exr"), 2, 1, 4, OIIO::TypeDesc::FLOAT,
              std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f, 0.125f, 0.0f, 1.0f, 0.5f});
    ASSERT_EQ(kvhost::InputImageFile(path("in.exr")).depth(), 32);
    ToolRun run = kvhost({"render", KV_MORROWBY, path("in.exr"), path("out.tif")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage out = readFile(at("out.tif"));
    EXPECT_EQ(out.format, OIIO::TypeDesc::FLOAT);
    EXPECT_EQ(out.floats, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f, 0.125f, 0.0f, 1.0f, 0.5f}));

    run = kvhost({"render", KV_MORROWBY, smallPng("in.png"), path("out.jpg")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(at("out.jpg")).channels, 3);
}

TEST_F(CliTest, TheOutputKeepsTheInputsMetadataAndDataWindow) {
    OIIO::ImageSpec spec(4, 2, 3, OIIO::TypeDesc::HALF);
    spec.x = 3;
    spec.y = 1;
    spec.full_x = 0;
    spec.full_y = 0;
    spec.full_width = 10;
    spec.full_height = 6;
    spec.attribute("compression", "piz");
    spec.attribute("shot", "sq010_sh020");
    spec.attribute("Copyright", "Korvane");
    const std::vector<float> pixels(4 * 2 * 3, 0.25f);
    {
        auto out = OIIO::ImageOutput::create(path("in.exr"));
        ASSERT_TRUE(out && out->open(path("in.exr"), spec));
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()));
        ASSERT_TRUE(out->close());
    }
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, path("in.exr"), path("out.exr")}).exitCode, 0);
    auto in = OIIO::ImageInput::open(path("out.exr"));
    ASSERT_TRUE(in);
    const OIIO::ImageSpec& out = in->spec();
    EXPECT_EQ(out.nchannels, 3);
    EXPECT_EQ(out.get_string_attribute("compression"), "piz");
    EXPECT_EQ(out.get_string_attribute("shot"), "sq010_sh020");
    EXPECT_EQ(out.get_string_attribute("Copyright"), "Korvane");
    EXPECT_EQ(std::vector<int>({out.x, out.y, out.width, out.height, out.full_width, out.full_height}),
              std::vector<int>({3, 1, 4, 2, 10, 6}));

    // Into another format the general metadata goes along, the format's own compression does not.
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, path("in.exr"), path("out.tif")}).exitCode, 0);
    auto tiff = OIIO::ImageInput::open(path("out.tif"));
    ASSERT_TRUE(tiff);
    EXPECT_EQ(tiff->spec().get_string_attribute("Copyright"), "Korvane");
    EXPECT_NE(tiff->spec().get_string_attribute("compression"), "piz");

    // The colour space tag: a PNG stored with gamma 2.2 is written with gamma 2.2, not as sRGB.
    OIIO::ImageSpec png(2, 1, 3, OIIO::TypeDesc::UINT8);
    png.attribute("oiio:ColorSpace", "Gamma2.2");
    {
        const std::vector<std::uint8_t> bytes = {10, 20, 30, 40, 50, 60};
        auto out = OIIO::ImageOutput::create(path("gamma.png"));
        ASSERT_TRUE(out && out->open(path("gamma.png"), png));
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, bytes.data()));
        ASSERT_TRUE(out->close());
    }
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, path("gamma.png"), path("gamma-out.png")}).exitCode, 0);
    auto gamma = OIIO::ImageInput::open(path("gamma-out.png"));
    ASSERT_TRUE(gamma);
    EXPECT_EQ(gamma->spec().get_string_attribute("oiio:ColorSpace"), "Gamma2.2");
}

TEST_F(CliTest, ThirtyTwoBitIntegerFilesReadAsFloat) {
    writeFile(at("in.tif"), 2, 1, 3, OIIO::TypeDesc::UINT32,
              std::vector<std::uint32_t>{0, 2147483648u, 4294967295u, 4294967295u, 1073741824u, 0});
    ASSERT_EQ(kvhost::InputImageFile(path("in.tif")).depth(), 32);
    const ToolRun run = kvhost({"render", KV_MORROWBY, path("in.tif"), path("out.tif")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const FileImage out = readFile(at("out.tif"));
    EXPECT_EQ(out.format, OIIO::TypeDesc::FLOAT);
    const std::vector<float> expected = {0.0f, 0.5f, 1.0f, 1.0f, 0.25f, 0.0f};
    ASSERT_EQ(out.floats.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(out.floats[i], expected[i], 1e-6) << i;
    }
}

TEST_F(CliTest, ChannelsThatAreNotRedGreenBlueOrAlphaAreNamedInAWarning) {
    OIIO::ImageSpec spec(1, 1, 5, OIIO::TypeDesc::FLOAT);
    spec.channelnames = {"R", "G", "B", "A", "Z"};
    spec.alpha_channel = 3;
    spec.z_channel = 4;
    const std::vector<float> pixel = {0.1f, 0.2f, 0.3f, 0.5f, 7.0f};
    {
        auto out = OIIO::ImageOutput::create(path("depth.exr"));
        ASSERT_TRUE(out && out->open(path("depth.exr"), spec));
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixel.data()));
        ASSERT_TRUE(out->close());
    }
    const ToolRun run = kvhost({"render", KV_MORROWBY, path("depth.exr"), path("out.exr")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err,
              "kvhost: warning: " + path("depth.exr") +
                  ": channels \"Z\" are not red, green, blue or alpha: they are left out of the render "
                  "and the output\n");
    const FileImage out = readFile(at("out.exr"));
    ASSERT_EQ(out.channels, 4);
    EXPECT_EQ(out.floats, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.5f}));
}

TEST_F(CliTest, TheLargestImageComesFromTheOptionOrTheEnvironment) {
    const std::string in = smallPng("in.png"); // 3 x 2: 0.000006 megapixels
    ::setenv("KVHOST_MAX_MEGAPIXELS", "0.000005", 1);
    const ToolRun refused = kvhost({"render", KV_MORROWBY, in, path("a.png")});
    ::setenv("KVHOST_MAX_MEGAPIXELS", "0.00001", 1);
    const ToolRun allowed = kvhost({"render", KV_MORROWBY, in, path("b.png")});
    const ToolRun overridden =
        kvhost({"render", KV_MORROWBY, in, path("c.png"), "--max-megapixels", "0.000005"});
    ::setenv("KVHOST_MAX_MEGAPIXELS", "many", 1);
    const ToolRun bad = kvhost({"render", KV_MORROWBY, in, path("d.png")});
    ::unsetenv("KVHOST_MAX_MEGAPIXELS");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("3 x 2 pixels is larger than the host takes"));
    EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
    EXPECT_EQ(overridden.exitCode, 2);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_THAT(bad.err, HasSubstr("KVHOST_MAX_MEGAPIXELS=\"many\" is not a positive number of megapixels"));
    EXPECT_EQ(files(), (std::set<std::string>{"in.png", "b.png"}));
}

} // namespace
} // namespace kvtest

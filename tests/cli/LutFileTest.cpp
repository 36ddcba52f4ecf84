// The LUT writers: a known lattice against files of each format written out by hand.
#include "host/cli/LutFile.h"

#include "host/HostError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace kvhost {
namespace {

using ::testing::HasSubstr;

// A 2 x 2 x 2 lattice whose outputs tell the axes apart: red 0.125 + 0.5 r, green 0.0625 + 0.25 g, blue
// 0.5 + 1.5 b (all exact in binary).
LutTable lattice() {
    LutTable table;
    table.dimensions = 3;
    table.size = 2;
    table.title = "t";
    for (int b = 0; b < 2; ++b) {
        for (int g = 0; g < 2; ++g) {
            for (int r = 0; r < 2; ++r) {
                table.rgb.push_back(0.125f + 0.5f * float(r));
                table.rgb.push_back(0.0625f + 0.25f * float(g));
                table.rgb.push_back(0.5f + 1.5f * float(b));
            }
        }
    }
    return table;
}

// Three entries per channel: red rises, green stays, blue falls.
LutTable ramp() {
    LutTable table;
    table.dimensions = 1;
    table.size = 3;
    table.title = "r";
    table.rgb = {0.0f, 0.5f, 1.0f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f};
    return table;
}

TEST(LutFile, CubeListsRedFastest) {
    EXPECT_EQ(lutText(lattice(), LutFormat::Cube), "TITLE \"t\"\n"
                                                   "LUT_3D_SIZE 2\n"
                                                   "0.125 0.0625 0.5\n"
                                                   "0.625 0.0625 0.5\n"
                                                   "0.125 0.3125 0.5\n"
                                                   "0.625 0.3125 0.5\n"
                                                   "0.125 0.0625 2\n"
                                                   "0.625 0.0625 2\n"
                                                   "0.125 0.3125 2\n"
                                                   "0.625 0.3125 2\n");
    LutTable hdr = lattice();
    hdr.domainLow = -0.25;
    hdr.domainHigh = 4;
    EXPECT_THAT(
        lutText(hdr, LutFormat::Cube),
        HasSubstr("LUT_3D_SIZE 2\nDOMAIN_MIN -0.25 -0.25 -0.25\nDOMAIN_MAX 4 4 4\n0.125 0.0625 0.5\n"));
    EXPECT_EQ(lutText(ramp(), LutFormat::Cube), "TITLE \"r\"\n"
                                                "LUT_1D_SIZE 3\n"
                                                "0 0.5 1\n"
                                                "0.25 0.5 0.5\n"
                                                "0.5 0.5 0\n");
}

TEST(LutFile, Spi3dNamesEachPointBlueFastest) {
    EXPECT_EQ(lutText(lattice(), LutFormat::Spi3d), "SPILUT 1.0\n"
                                                    "3 3\n"
                                                    "2 2 2\n"
                                                    "0 0 0 0.125 0.0625 0.5\n"
                                                    "0 0 1 0.125 0.0625 2\n"
                                                    "0 1 0 0.125 0.3125 0.5\n"
                                                    "0 1 1 0.125 0.3125 2\n"
                                                    "1 0 0 0.625 0.0625 0.5\n"
                                                    "1 0 1 0.625 0.0625 2\n"
                                                    "1 1 0 0.625 0.3125 0.5\n"
                                                    "1 1 1 0.625 0.3125 2\n");
}

TEST(LutFile, Spi1dCarriesItsDomain) {
    LutTable table = ramp();
    table.domainLow = -0.5;
    table.domainHigh = 2;
    EXPECT_EQ(lutText(table, LutFormat::Spi1d), "Version 1\n"
                                                "From -0.5 2\n"
                                                "Length 3\n"
                                                "Components 3\n"
                                                "{\n"
                                                "    0 0.5 1\n"
                                                "    0.25 0.5 0.5\n"
                                                "    0.5 0.5 0\n"
                                                "}\n");
}

TEST(LutFile, ClfListsBlueFastestAfterARangeForAnotherDomain) {
    EXPECT_EQ(lutText(lattice(), LutFormat::Clf),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<ProcessList id=\"kvhost-lut\" compCLFversion=\"3\">\n"
              "    <Description>t</Description>\n"
              "    <LUT3D inBitDepth=\"32f\" outBitDepth=\"32f\" interpolation=\"tetrahedral\">\n"
              "        <Array dim=\"2 2 2 3\">\n"
              "            0.125 0.0625 0.5\n"
              "            0.125 0.0625 2\n"
              "            0.125 0.3125 0.5\n"
              "            0.125 0.3125 2\n"
              "            0.625 0.0625 0.5\n"
              "            0.625 0.0625 2\n"
              "            0.625 0.3125 0.5\n"
              "            0.625 0.3125 2\n"
              "        </Array>\n"
              "    </LUT3D>\n"
              "</ProcessList>\n");
    LutTable table = ramp();
    table.domainLow = -0.5;
    table.domainHigh = 2;
    table.title = "a <b> & \"c\"";
    EXPECT_EQ(lutText(table, LutFormat::Clf), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                              "<ProcessList id=\"kvhost-lut\" compCLFversion=\"3\">\n"
                                              "    <Description>a &lt;b&gt; &amp;  c </Description>\n"
                                              "    <Range inBitDepth=\"32f\" outBitDepth=\"32f\">\n"
                                              "        <minInValue>-0.5</minInValue>\n"
                                              "        <maxInValue>2</maxInValue>\n"
                                              "        <minOutValue>0</minOutValue>\n"
                                              "        <maxOutValue>1</maxOutValue>\n"
                                              "    </Range>\n"
                                              "    <LUT1D inBitDepth=\"32f\" outBitDepth=\"32f\">\n"
                                              "        <Array dim=\"3 3\">\n"
                                              "            0 0.5 1\n"
                                              "            0.25 0.5 0.5\n"
                                              "            0.5 0.5 0\n"
                                              "        </Array>\n"
                                              "    </LUT1D>\n"
                                              "</ProcessList>\n");
}

TEST(LutFile, NumbersAreTheShortestTextOfTheFloat) {
    LutTable table = ramp();
    table.rgb[0] = 0.1f;
    table.rgb[1] = 1.0f / 3.0f;
    table.rgb[2] = -2.5e-8f;
    const std::string text = lutText(table, LutFormat::Cube);
    EXPECT_THAT(text, HasSubstr("\n0.1 0.33333334 -2.5e-08\n"));
    EXPECT_EQ(std::stof("0.33333334"), 1.0f / 3.0f);
}

std::string failure(const LutTable& table, LutFormat format) {
    try {
        lutText(table, format);
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

TEST(LutFile, WhatAFormatCannotHoldIsRefused) {
    EXPECT_EQ(failure(ramp(), LutFormat::Spi3d), "spi3d holds a 3D LUT only");
    EXPECT_EQ(failure(lattice(), LutFormat::Spi1d), "spi1d holds a 1D LUT only");
    LutTable hdr = lattice();
    hdr.domainHigh = 2;
    EXPECT_EQ(failure(hdr, LutFormat::Spi3d), "spi3d has no input domain other than 0..1");
    LutTable broken = lattice();
    broken.rgb[13] = std::nanf("");
    EXPECT_THAT(failure(broken, LutFormat::Cube), HasSubstr("not a finite number (LUT entry 4)"));
    broken = lattice();
    broken.rgb.pop_back();
    EXPECT_THAT(failure(broken, LutFormat::Clf), HasSubstr("needs 24 values, not 23"));
    broken = lattice();
    broken.domainLow = 1;
    EXPECT_THAT(failure(broken, LutFormat::Cube), HasSubstr("is empty"));
}

TEST(LutFile, FormatsByNameAndByExtension) {
    EXPECT_EQ(lutFormatNamed("spi3d"), LutFormat::Spi3d);
    EXPECT_EQ(lutFormatNamed("CUBE"), std::nullopt);
    EXPECT_EQ(lutFormatOfPath("out/grade.CUBE"), LutFormat::Cube);
    EXPECT_EQ(lutFormatOfPath("grade.clf"), LutFormat::Clf);
    EXPECT_EQ(lutFormatOfPath("grade.spi1d"), LutFormat::Spi1d);
    EXPECT_EQ(lutFormatOfPath("grade.lut"), std::nullopt);
    EXPECT_EQ(lutFormatOfPath("out.cube/grade"), std::nullopt);
    EXPECT_EQ(lutFormatOfPath("grade"), std::nullopt);
}

} // namespace
} // namespace kvhost

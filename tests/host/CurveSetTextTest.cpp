// Curve set text as the host checks it: the form before the plug-in reads it, and what the plug-in kept.
#include "host/CurveSetText.h"

#include "host/HostError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvhost {
namespace {

using ::testing::HasSubstr;

std::string formFault(const std::string& text) {
    try {
        checkCurveSetText("c.txt", text);
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

std::string keptFault(const std::string& given, const std::string& readBack,
                      const CurveSetReader& alone = {}) {
    try {
        checkCurvesKept("c.txt", given, readBack, alone);
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

std::string block(const std::string& name, const std::string& curve) {
    return "curve_" + name + " " + std::to_string(curve.size()) + "\n" + curve;
}

const std::string kRed = "version 0\nloop 0\npoint 0 0 0 0 0 0 0 0 0\n";
const std::string kGreen = "version 0\nloop 1\n";

TEST(CurveSetText, FindsEachCurveWithItsLengthAndPoints) {
    const std::string text =
        "version 0\ncurve_values_red 0 0 1\n" + block("red", kRed) + block("green", kGreen);
    const CurveSetText set = CurveSetText::parse(text);
    ASSERT_EQ(set.curves.size(), 2u);
    EXPECT_EQ(set.curves[0].name, "red");
    EXPECT_EQ(set.curves[0].line, 3);
    EXPECT_EQ(set.curves[0].blockLength, kRed.size());
    ASSERT_EQ(set.curves[0].points.size(), 1u);
    EXPECT_EQ(set.curves[0].points[0].line, 6);
    EXPECT_EQ(set.curves[0].points[0].values.size(), 9u);
    EXPECT_EQ(set.curves[1].blockLength, kGreen.size());
    ASSERT_EQ(set.values.size(), 1u);
    EXPECT_EQ(set.values[0].name, "red");
    EXPECT_EQ(set.curveNames(), "red, green");
    EXPECT_EQ(formFault(text), "no error");
}

TEST(CurveSetText, TheFormIsCheckedBeforeThePluginReadsIt) {
    EXPECT_EQ(formFault(""), "c.txt: is empty, not a curve set");
    EXPECT_EQ(formFault("hello world\n"),
              "c.txt: is not curve set text (it starts with \"hello\", not \"version\")");
    EXPECT_EQ(formFault("version 0\n\x01"), "c.txt: is not curve set text (byte 1 at offset 10)");
    // A length that is not the block's: the plug-in would start the next curve inside this one.
    EXPECT_EQ(formFault("version 0\ncurve_red 40\n" + kRed),
              "c.txt: curve \"red\" (line 2) gives its length as 40 bytes, but its text up to the next "
              "\"curve_\" line is 41 bytes");
    EXPECT_THAT(formFault("version 0\ncurve_red  41\n" + kRed), HasSubstr("line 2 \"curve_red  41\" is not"));
    EXPECT_THAT(formFault("version 0\ncurve_red 41\r\n" + kRed), HasSubstr("\"curve_red 41\\r\" is not"));
    EXPECT_THAT(formFault("version 0\ncurve_red\n" + kRed), HasSubstr("is not \"curve_NAME LENGTH\""));
    EXPECT_EQ(formFault("version 0\npoint 1 1 0 0 0 0 0 0 0\n" + block("red", kRed)),
              "c.txt: line 2 belongs to a curve but stands before any \"curve_NAME LENGTH\" line");
    EXPECT_EQ(formFault("version 0\n" + block("red", "version 0\npoint 1 1 x 0 0 0 0 0 0\n")),
              "c.txt: curve \"red\", line 4: leftDx \"x\" is not a number");
    EXPECT_EQ(formFault("version 0\n" + block("red", "version 0\npoint 1 1 0 0 0 0 0 0\n")),
              "c.txt: curve \"red\", line 4: a point has 9 values (x y leftDx leftDy rightDx rightDy linked "
              "leftMode rightMode), this one 8");
    // Not-a-number and infinity are numbers to the form; what the plug-in makes of them is read back.
    EXPECT_EQ(formFault("version 0\n" + block("red", "version 0\npoint nan inf 0 0 0 0 0 0 0\n")),
              "no error");
}

TEST(CurveSetText, ACurveOrPointThePluginDidNotKeepIsNamed) {
    const std::string readBack =
        "version 0\n" + block("red", kRed) + block("green", kGreen) + block("blue", "version 0\nloop 0\n");
    EXPECT_EQ(keptFault("version 0\n" + block("red", kRed), readBack), "no error");
    EXPECT_EQ(keptFault("version 0\n" + block("postblur", kGreen), readBack),
              "c.txt: \"postblur\" is not a curve of this effect (its curves are red, green, blue)");
    EXPECT_EQ(
        keptFault("version 0\n", readBack),
        "c.txt: holds no curves (no \"curve_NAME LENGTH\" block); this effect's curves are red, green, blue");
    // Values kept as the plug-in writes them: six significant digits.
    EXPECT_EQ(keptFault("version 0\n" + block("green", "version 0\npoint 0.1234567 0 0 0 0 0 0 0 0\n"),
                        "version 0\n" + block("green", "version 0\npoint 0.123457 0 0 0 0 0 0 0 0\n")),
              "no error");

    const std::string two = "version 0\n" + block("red", "version 0\nloop 0\npoint 0 0 0 0 0 0 0 0 0\n"
                                                         "point 1 1e308 0 0 0 0 0 0 0\n");
    // The plug-in kept the first point; does it keep the second alone? Then it holds one point at most.
    const CurveSetReader keepsAnything = [](const std::string& text) { return text; };
    const CurveSetReader keepsNothing = [](const std::string&) {
        return "version 0\ncurve_red 17\nversion 0\nloop 0\n";
    };
    EXPECT_EQ(keptFault(two, readBack, keepsAnything),
              "c.txt: curve \"red\" has 2 nodes but the effect read 1 (it keeps at most 1)");
    EXPECT_EQ(keptFault(two, readBack, keepsNothing),
              "c.txt: curve \"red\", line 6: the effect dropped this point: its y \"1e308\" lies beyond the "
              "coordinates the effect keeps");
    // A point dropped before a point kept is dropped for its values, whatever the reader says.
    const std::string middle = "version 0\n" + block("red", "version 0\nloop 0\npoint 0.5 nan 0 0 0 0 0 0 0\n"
                                                            "point 0 0 0 0 0 0 0 0 0\n");
    EXPECT_EQ(keptFault(middle, readBack, keepsAnything),
              "c.txt: curve \"red\", line 5: the effect dropped this point: its y \"nan\" is not a number");
}

TEST(CurveSetText, RelativeValuesThePluginDidNotTakeAreNamed) {
    const std::string readBack = "version 0\ncurve_values_red 0 0 1\n" + block("red", kRed);
    EXPECT_EQ(keptFault("version 0\ncurve_values_red 0 0 1.0\n", readBack), "no error");
    EXPECT_EQ(keptFault("version 0\ncurve_values_red 0 0 inf\n", readBack),
              "c.txt: line 2 \"curve_values_red\": value 3 \"inf\" was not taken (the effect kept \"1\")");
    EXPECT_EQ(keptFault("version 0\ncurve_values_blue 0 0 1\n", readBack),
              "c.txt: line 2 \"curve_values_blue\": \"blue\" is not a curve of this effect");
}

} // namespace
} // namespace kvhost

// Curve set files: what counts as curve set text, and the check that the plug-in read every curve and
// node of it.
#include "host/cli/CurveFile.h"

#include "host/HostError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvhost {
namespace {

using Counts = std::vector<std::pair<std::string, int>>;

std::string failure(const std::string& given, const std::string& readBack) {
    try {
        checkCurvesRead("c.txt", given, readBack);
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

const char* const kTwoCurves = "version 0\n"
                               "curve_values_red 0 0 1\n"
                               "curve_red 44\n"
                               "version 0\nloop 0\npoint 0 0 0 0 0 0 0 0 0\n"
                               "curve_green 19\n"
                               "version 0\nloop 1\n";

TEST(CurveFile, CountsTheNodesOfEachCurveInTextOrder) {
    EXPECT_EQ(curveNodeCounts(kTwoCurves), (Counts{{"red", 1}, {"green", 0}}));
    EXPECT_EQ(curveNodeCounts("version 0\n"), Counts{});
    // A point outside any curve block belongs to none.
    EXPECT_EQ(curveNodeCounts("version 0\npoint 1 1 0 0 0 0 0 0 0\ncurve_rgb 5\n"), (Counts{{"rgb", 0}}));
}

TEST(CurveFile, ACurveOrNodeTheEffectDidNotReadIsNamed) {
    const std::string readBack = std::string(kTwoCurves) + "curve_blue 19\nversion 0\nloop 0\n";
    EXPECT_EQ(failure(kTwoCurves, readBack), "no error");
    EXPECT_EQ(failure("version 0\ncurve_postblur 19\nversion 0\nloop 0\n", readBack),
              "c.txt: \"postblur\" is not a curve of this effect (its curves are red, green, blue)");
    EXPECT_EQ(
        failure(
            "version 0\ncurve_red 60\nversion 0\nloop 0\npoint 0 0 0 0 0 0 0 0 0\npoint 1 1 0 0 0 0 0 0 0\n",
            readBack),
        "c.txt: curve \"red\" has 2 nodes but the effect read 1 (a curve holds at most 40)");
    EXPECT_EQ(
        failure("version 0\n", readBack),
        "c.txt: holds no curves (no \"curve_NAME LENGTH\" block); this effect's curves are red, green, blue");
}

} // namespace
} // namespace kvhost

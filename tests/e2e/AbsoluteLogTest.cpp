// The sequence-data commands of morrowby.so write their sections into the effect's log file. A program of
// its own: the plug-in's log settles on its file at its first line, so HOME is set before any command.
#include "tests/e2e/AbsoluteEffect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace korvane::testing {
namespace {

namespace fs = std::filesystem;

TEST(AbsoluteLog, SequenceCommandsWriteTheirSections) {
    std::string pattern = (fs::temp_directory_path() / "kvabsolute-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path home = pattern;
    fs::create_directories(home / "korvane");
    const fs::path logFile = home / "korvane" / "morrowby_ae.log";
    std::ofstream(logFile).close();
    setenv("HOME", home.c_str(), 1);
    unsetenv("HOMEDRIVE");

    {
        AbsoluteEffect effect;
        EXPECT_FALSE(effect->flattenSequence().empty());
        ASSERT_EQ(effect->resetupSequence(), PF_Err_NONE);
        auto raw = AbsoluteEffect::newSequence();
        effect.setSequence(*raw);
        EXPECT_EQ(effect->problems(), "");
    }

    std::ifstream file(logFile);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string log = text.str();
    const std::string setup = "AbsoluteCurvesAEHost::SequenceSetup\n"
                              "    created new sequence data\n"
                              "    reset new sequence data\n";
    const std::string flatResetup = "AbsoluteCurvesAEHost::SequenceResetup\n"
                                    "    created new sequence data\n"
                                    "    input sequence data available\n"
                                    "    copied flat sequence data\n";
    const std::string rawResetup = "AbsoluteCurvesAEHost::SequenceResetup\n"
                                   "    created new sequence data\n"
                                   "    input sequence data available\n"
                                   "    copied unflat sequence data\n";
    const auto at = [&](const std::string& part) { return log.find(part); };
    ASSERT_NE(at(setup), std::string::npos) << log;
    ASSERT_NE(at(flatResetup), std::string::npos) << log;
    ASSERT_NE(at(rawResetup), std::string::npos) << log;
    EXPECT_LT(at(setup), at(flatResetup));
    EXPECT_LT(at(flatResetup), at(rawResetup));
    fs::remove_all(home);
}

} // namespace
} // namespace korvane::testing

// The sequence-data commands of both plug-in files write their sections, named by the effect class, into
// the file's own log. A program of its own: a plug-in's log settles on its file at its first line, so HOME
// is set before any command.
#include "tests/e2e/AbsoluteEffect.h"
#include "tests/e2e/RelativeEffect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace korvane::testing {
namespace {

namespace fs = std::filesystem;

// Setup, resetup from the flat text and from a raw record, through one effect.
template <class Effect>
void runSequenceCommands() {
    Effect effect;
    EXPECT_FALSE(effect->flattenSequence().empty());
    ASSERT_EQ(effect->resetupSequence(), PF_Err_NONE);
    auto raw = Effect::newSequence();
    effect.setSequence(*raw);
    EXPECT_EQ(effect->problems(), "");
}

void expectSections(const fs::path& logFile, const std::string& className) {
    std::ifstream file(logFile);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string log = text.str();
    const std::string setup = className + "::SequenceSetup\n"
                                          "    created new sequence data\n"
                                          "    reset new sequence data\n";
    const std::string flatResetup = className + "::SequenceResetup\n"
                                                "    created new sequence data\n"
                                                "    input sequence data available\n"
                                                "    copied flat sequence data\n";
    const std::string rawResetup = className + "::SequenceResetup\n"
                                               "    created new sequence data\n"
                                               "    input sequence data available\n"
                                               "    copied unflat sequence data\n";
    const auto at = [&](const std::string& part) { return log.find(part); };
    ASSERT_NE(at(setup), std::string::npos) << logFile << ":\n" << log;
    ASSERT_NE(at(flatResetup), std::string::npos) << logFile << ":\n" << log;
    ASSERT_NE(at(rawResetup), std::string::npos) << logFile << ":\n" << log;
    EXPECT_LT(at(setup), at(flatResetup));
    EXPECT_LT(at(flatResetup), at(rawResetup));
}

TEST(SequenceLog, SequenceCommandsWriteTheirSectionsInTheirFilesLog) {
    std::string pattern = (fs::temp_directory_path() / "kvsequencelog-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path home = pattern;
    fs::create_directories(home / "korvane");
    const fs::path absoluteLog = home / "korvane" / "morrowby_ae.log";
    const fs::path relativeLog = home / "korvane" / "tarnwick_ae.log";
    std::ofstream(absoluteLog).close();
    std::ofstream(relativeLog).close();
    setenv("HOME", home.c_str(), 1);
    unsetenv("HOMEDRIVE");

    runSequenceCommands<AbsoluteEffect>();
    runSequenceCommands<relativetest::RelativeEffect>();

    expectSections(absoluteLog, "AbsoluteCurvesAEHost");
    expectSections(relativeLog, "RelativeCurvesAEHost");
    fs::remove_all(home);
}

} // namespace
} // namespace korvane::testing

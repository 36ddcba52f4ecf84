#include "framework/DebugLog.h"
#include "framework/LogSection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace korvane {
namespace {

namespace fs = std::filesystem;

// Sets or unsets an environment variable for one test and restores it afterwards.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        apply(value);
    }
    ~EnvironmentValue() { apply(old_); }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

std::string readFile(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class DebugLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kvhome-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        fs::create_directories(home_ / "korvane");
    }
    void TearDown() override { fs::remove_all(home_); }

    void createLog() { std::ofstream file(logFile()); }
    fs::path logFile() const { return home_ / "korvane" / "unit_ae.log"; }

    fs::path home_;
};

TEST_F(DebugLogFile, WithoutTheFileNothingIsWrittenOrCreated) {
    EnvironmentValue home("HOME", home_.string());
    EnvironmentValue drive("HOMEDRIVE", std::nullopt);
    DebugLog log("korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    log.write("nobody hears this\n", DebugLog::Error);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(logFile()));
    EXPECT_FALSE(log.isConsoleOpen());
    EXPECT_EQ(log.path(), home_.string() + "/korvane/unit_ae.log");
}

TEST_F(DebugLogFile, CreatingTheFileBetweenWritesTurnsLoggingOn) {
    EnvironmentValue home("HOME", home_.string());
    EnvironmentValue drive("HOMEDRIVE", std::nullopt);
    DebugLog log("korvane/unit_ae.log");
    log.write("lost\n", DebugLog::Info);
    createLog();
    testing::internal::CaptureStderr();
    log.write("kept\n", DebugLog::Info);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "kept\n");
    EXPECT_TRUE(log.isConsoleOpen());
    EXPECT_EQ(readFile(logFile()), "kept\n");
}

TEST_F(DebugLogFile, AppendsToWhatTheFileHolds) {
    EnvironmentValue home("HOME", home_.string());
    std::ofstream(logFile()) << "earlier run\n";
    DebugLog log("korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    log.write("this run\n", DebugLog::Info);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(logFile()), "earlier run\nthis run\n");
}

TEST_F(DebugLogFile, LevelZeroIsDroppedAndOneToThreeAreWritten) {
    EnvironmentValue home("HOME", home_.string());
    createLog();
    DebugLog log("korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    log.write("zero\n", 0);
    log.write("info\n", DebugLog::Info);
    std::ostringstream warning;
    warning << DebugLog::kWarningPrefix << "warn " << 2 << "\n";
    log.write(warning, DebugLog::Warning);
    log.write(std::string(DebugLog::kErrorPrefix) + "bad\n", DebugLog::Error);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(logFile()), "info\n"
                                   "-**### WARNING ###**-: warn 2\n"
                                   "-**###  ERROR  ###**-: bad\n");
}

TEST_F(DebugLogFile, SectionsIndentByFourSpacesPerLevel) {
    EnvironmentValue home("HOME", home_.string());
    createLog();
    DebugLog log("korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    log.write("top\n", DebugLog::Info);
    {
        LogSection outer(log, "sequence setup\n");
        log.write("inside\n", DebugLog::Info);
        {
            LogSection inner(log, "flatten\n");
            log.write("two\nlines\n", DebugLog::Info);
        }
        log.write("back\n", DebugLog::Info);
    }
    log.write("out\n", DebugLog::Info);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(logFile()), "top\n"
                                   "sequence setup\n"
                                   "    inside\n"
                                   "    flatten\n"
                                   "        two\n"
                                   "        lines\n"
                                   "    back\n"
                                   "out\n");
}

TEST_F(DebugLogFile, SectionIsLeftWhenAnExceptionPassesThrough) {
    EnvironmentValue home("HOME", home_.string());
    createLog();
    DebugLog log("korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    try {
        LogSection section(log, "open\n");
        throw std::runtime_error("leave early");
    } catch (const std::runtime_error&) {
    }
    log.write("level again\n", DebugLog::Info);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(logFile()), "open\nlevel again\n");
}

TEST_F(DebugLogFile, HomepathAndHomedriveWhenHomeIsUnset) {
    EnvironmentValue home("HOME", std::nullopt);
    EnvironmentValue homePath("HOMEPATH", home_.string());
    EnvironmentValue drive("HOMEDRIVE", std::nullopt);
    createLog();
    DebugLog log("korvane/unit_ae.log");
    EXPECT_EQ(log.path(), home_.string() + "/korvane/unit_ae.log");
    testing::internal::CaptureStderr();
    log.write("via HOMEPATH\n", DebugLog::Info);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(logFile()), "via HOMEPATH\n");
}

TEST_F(DebugLogFile, HomedriveGoesInFrontOfTheFolder) {
    EnvironmentValue home("HOME", std::nullopt);
    EnvironmentValue homePath("HOMEPATH", "\\Users\\grader");
    EnvironmentValue drive("HOMEDRIVE", "C:");
    DebugLog log("korvane/unit_ae.log");
    EXPECT_EQ(log.path(), "C:\\Users\\grader/korvane/unit_ae.log");
}

TEST_F(DebugLogFile, WithNoHomeTheRelativeNameIsUsedInTheCurrentFolder) {
    EnvironmentValue home("HOME", std::nullopt);
    EnvironmentValue homePath("HOMEPATH", std::nullopt);
    const fs::path previous = fs::current_path();
    fs::current_path(home_);
    createLog();
    {
        DebugLog log("korvane/unit_ae.log");
        EXPECT_EQ(log.path(), "korvane/unit_ae.log");
        testing::internal::CaptureStderr();
        log.write("relative\n", DebugLog::Info);
        testing::internal::GetCapturedStderr();
    }
    fs::current_path(previous);
    EXPECT_EQ(readFile(logFile()), "relative\n");
}

} // namespace
} // namespace korvane

#include "tests/support/TestLog.h"

#include "framework/DebugLog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testlog {
namespace {

std::string makeHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvlog-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    std::filesystem::create_directories(std::filesystem::path(pattern) / "korvane");
    std::ofstream(std::filesystem::path(pattern) / "korvane" / "test_ae.log");
    setenv("HOME", pattern.c_str(), 1);
    korvane::DebugLog::instance();
    return pattern;
}

const std::string& homeFolder() {
    static const std::string folder = makeHome();
    return folder;
}

// Sets the log up before main, and removes the folder at exit.
struct Setup {
    Setup() { homeFolder(); }
    ~Setup() {
        std::error_code ignored;
        std::filesystem::remove_all(homeFolder(), ignored);
    }
} setup;

} // namespace

std::string home() {
    return homeFolder();
}

std::string logPath() {
    return homeFolder() + "/korvane/test_ae.log";
}

std::string contents() {
    std::ifstream file(logPath());
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace testlog

#include "TestLog.h"

#include "framework/DebugLog.h"
#include "framework/PluginIdentity.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace korvane {

const char* pluginLogName() {
    return "korvane/editor_test_ae.log";
}

} // namespace korvane

namespace korvane::test {
namespace {

std::string makeHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kveditor-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    std::filesystem::create_directories(std::filesystem::path(pattern) / "korvane");
    std::ofstream(std::filesystem::path(pattern) / pluginLogName());
    setenv("HOME", pattern.c_str(), 1);
    DebugLog::instance();
    return pattern;
}

const std::string& homeFolder() {
    static const std::string folder = makeHome();
    return folder;
}

struct Setup {
    Setup() { homeFolder(); }
    ~Setup() {
        std::error_code ignored;
        std::filesystem::remove_all(homeFolder(), ignored);
    }
} setup;

} // namespace

std::string logContents() {
    std::ifstream file(homeFolder() + "/" + pluginLogName());
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace korvane::test

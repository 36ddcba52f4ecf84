// Where a frei0r module finds its effect file: KV_PLUGIN_DIR, its own folder, then ../kv-curves.
#include "host/frei0r/PluginLocation.h"

#include "host/HostError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kvhost {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(PluginLocation, TheVariableFirstThenBesideTheModuleThenTheInstalledFolder) {
    EXPECT_THAT(pluginFolders("/usr/lib/frei0r-1", "/opt/effects"),
                ElementsAre("/opt/effects", "/usr/lib/frei0r-1", "/usr/lib/kv-curves"));
    // An unset or empty variable names no folder.
    EXPECT_THAT(pluginFolders("/usr/lib/frei0r-1", nullptr),
                ElementsAre("/usr/lib/frei0r-1", "/usr/lib/kv-curves"));
    EXPECT_THAT(pluginFolders("/usr/lib/frei0r-1", ""),
                ElementsAre("/usr/lib/frei0r-1", "/usr/lib/kv-curves"));
}

class PluginSearch : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("kvfrei0r_location_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "first");
        fs::create_directories(root_ / "second");
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string folder(const std::string& name) const { return (root_ / name).string(); }
    void touch(const std::string& name) const { std::ofstream(root_ / name) << "x"; }

    fs::path root_;
};

TEST_F(PluginSearch, TheFirstFolderThatHoldsTheFileWins) {
    touch("second/morrowby.so");
    EXPECT_EQ(findPlugin("morrowby.so", {folder("first"), folder("second")}), folder("second/morrowby.so"));
    touch("first/morrowby.so");
    EXPECT_EQ(findPlugin("morrowby.so", {folder("first"), folder("second")}), folder("first/morrowby.so"));
}

TEST_F(PluginSearch, AMissingFileNamesItselfAndEveryFolderTried) {
    // A folder of that name is no effect file either.
    fs::create_directories(root_ / "first" / "tarnwick.so");
    try {
        findPlugin("tarnwick.so", {folder("first"), folder("second")});
        FAIL() << "no error";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("tarnwick.so"));
        EXPECT_THAT(error.what(), HasSubstr(folder("first") + ", " + folder("second")));
        EXPECT_THAT(error.what(), HasSubstr("KV_PLUGIN_DIR"));
    }
    EXPECT_THROW(findPlugin("tarnwick.so", {}), HostError);
}

} // namespace
} // namespace kvhost

// A project saved from one instance and loaded into a fresh one reopens as it was saved.
#include "tests/host/ProbeFixture.h"

#include "host/HostError.h"
#include "host/Project.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

namespace kvhost {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::string loadError(EffectInstance& instance, const json& project) {
    try {
        Project::load(instance, project);
    } catch (const HostError& error) {
        return error.what();
    }
    return "loaded";
}

class ProjectTest : public ProbeTest {
protected:
    std::unique_ptr<EffectInstance> edited() {
        auto instance = setUpInstance();
        instance->setNumber(kProbeMode, 3);
        instance->setNumber(kProbeAmount, 2.5);
        instance->setNumber(kProbeEnabled, 0);
        instance->setColour(kProbeTint, PF_Pixel{128, 1, 2, 3});
        HostParameter::Keyframe early;
        early.seconds = 0.0;
        early.value = instance->parameter(kProbeCount).current().u;
        early.value.sd.value = 10;
        HostParameter::Keyframe late = early;
        late.seconds = 2.0;
        late.value.sd.value = 30;
        instance->parameter(kProbeCount).setKeyframe(early);
        instance->parameter(kProbeCount).setKeyframe(late);
        instance->setArbitraryKeyframe(kProbeLevel, 1.0, bytesOf("level 0.5"));
        instance->setArbitraryKeyframe(kProbeLevel, 3.0, bytesOf("level 0.75"));
        instance->resetupSequence(bytesOf("renders 5"));
        return instance;
    }
};

TEST_F(ProjectTest, SavesEveryValueByName) {
    auto instance = edited();
    const json project = Project::save(*instance);
    EXPECT_EQ(project["matchName"], "TQKV Probe");
    const json& p = project["parameters"];
    EXPECT_EQ(p["mode"], 3);
    EXPECT_EQ(p["amount"], 2.5);
    EXPECT_EQ(p["enabled"], 0);
    EXPECT_EQ(p["angle"], 45.0);
    EXPECT_EQ(p["tint"], json::array({1, 2, 3, 128}));
    EXPECT_EQ(p["centre"], json::array({50.0, 25.0}));
    EXPECT_EQ(p["count"],
              json::parse(R"({"keyframes": [{"time": 0.0, "value": 10}, {"time": 2.0, "value": 30}]})"));
    EXPECT_EQ(
        p["level"],
        json::parse(
            R"({"keyframes": [{"time": 1.0, "value": "level 0.5"}, {"time": 3.0, "value": "level 0.75"}]})"));
    EXPECT_EQ(project["sequenceData"], "renders 5");
    EXPECT_FALSE(p.contains("other layer"));
    EXPECT_FALSE(p.contains("group"));
    // Saving left the instance working.
    EXPECT_FALSE(instance->sequenceIsFlat());
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProjectTest, ReopensAsSaved) {
    auto original = edited();
    const json project = Project::save(*original);
    auto reopened = setUpInstance();
    Project::load(*reopened, project);
    EXPECT_EQ(reopened->parameter(kProbeMode).current().u.pd.value, 3);
    EXPECT_EQ(reopened->parameter(kProbeAmount).current().u.fs_d.value, 2.5);
    EXPECT_EQ(reopened->parameter(kProbeTint).current().u.cd.value.alpha, 128);
    // The count's keyframes blend at 1 second to 10 + (30 - 10) / 2.
    EXPECT_EQ(reopened->parameter(kProbeCount).valueAt(1.0).sd.value, 20);
    EXPECT_EQ(text(reopened->arbitraryFlatAt(kProbeLevel, 2.0)),
              text(original->arbitraryFlatAt(kProbeLevel, 2.0)));
    EXPECT_EQ(text(reopened->flattenSequence()), std::string("renders 5\0", 10));
    EXPECT_EQ(Project::save(*reopened), project);
    EXPECT_EQ(reopened->problems(), "");
}

TEST_F(ProjectTest, ReadsFlatDataStoredAsHex) {
    auto instance = setUpInstance();
    json project{{"matchName", "TQKV Probe"}, {"sequenceData", {{"hex", "72656e64657273203700"}}}};
    Project::load(*instance, project);
    EXPECT_EQ(text(instance->flattenSequence()), std::string("renders 7\0", 10));
    project["sequenceData"] = {{"hex", "7g"}};
    EXPECT_THAT(loadError(*instance, project), HasSubstr("bad hex digit"));
}

TEST_F(ProjectTest, NamesWhatIsWrongInABadProject) {
    auto instance = setUpInstance();
    EXPECT_EQ(loadError(*instance, json{{"matchName", "TQKV Absolute Curves"}}),
              "project: made for \"TQKV Absolute Curves\", not for \"TQKV Probe\"");
    EXPECT_EQ(loadError(*instance, json::array()), "project: no match name");
    json project{{"matchName", "TQKV Probe"}, {"parameters", {{"speed", 3}}}};
    EXPECT_EQ(loadError(*instance, project), "project: no parameter \"speed\"");
    project["parameters"] = {{"mode", 4}};
    EXPECT_EQ(loadError(*instance, project), "project: value of \"mode\" has no item 4");
    project["parameters"] = {{"tint", {1, 2}}};
    EXPECT_THAT(loadError(*instance, project), HasSubstr("is not [r, g, b] or [r, g, b, a]"));
    project["parameters"] = {{"tint", {1, 2, 300}}};
    EXPECT_THAT(loadError(*instance, project), HasSubstr("outside 0..255"));
    project["parameters"] = {{"amount", "fast"}};
    EXPECT_THAT(loadError(*instance, project), HasSubstr("value of \"amount\" is not a number"));
    project["parameters"] = {{"count", {{"keyframes", {{{"value", 3}}}}}}};
    EXPECT_THAT(loadError(*instance, project), HasSubstr("has no time or no value"));
}

TEST_F(ProjectTest, JsonNestedDeeperThanAProjectIsRefusedWhileReading) {
    const std::string deep = std::string(65, '[') + std::string(65, ']');
    EXPECT_NO_THROW(Project::parse(std::string(64, '[') + std::string(64, ']')));
    try {
        Project::parse(deep);
        ADD_FAILURE() << "took JSON nested 65 deep";
    } catch (const HostError& error) {
        EXPECT_EQ(std::string(error.what()), "not a project file: its JSON nests deeper than 64 levels");
    }
    // A hundred thousand levels: refused without a deep copy or a deep print, which would overflow the stack.
    EXPECT_THROW(Project::parse(std::string(100000, '[') + std::string(100000, ']')), HostError);
}

TEST_F(ProjectTest, LayerFilesAreRecordedBesideTheProjectOrByTheirFullPath) {
    auto instance = setUpInstance();
    const int layer = kProbeLayer;
    instance->setLayer(layer, std::make_shared<HostImage>(1, 1, 8), "/work/shots/plates/base.png");
    EXPECT_EQ(Project::save(*instance, "/work/shots/grade.json")["layers"],
              (json{{"other layer", "plates/base.png"}}));
    EXPECT_EQ(Project::save(*instance, "/work/shots/plates/grade.json")["layers"],
              (json{{"other layer", "base.png"}}));
    EXPECT_EQ(Project::save(*instance, "/work/other/grade.json")["layers"],
              (json{{"other layer", "/work/shots/plates/base.png"}}));
    EXPECT_EQ(Project::save(*instance)["layers"], (json{{"other layer", "/work/shots/plates/base.png"}}));

    // Reopened, a relative file is found from the project's folder and read by the reader given.
    const json project = Project::save(*instance, "/work/shots/grade.json");
    auto reopened = setUpInstance();
    std::vector<std::string> read;
    Project::load(*reopened, project, "/elsewhere/grade.json", [&](const std::string& path) {
        read.push_back(path);
        return std::make_shared<const HostImage>(2, 3, 8);
    });
    EXPECT_EQ(read, std::vector<std::string>{"/elsewhere/plates/base.png"});
    ASSERT_TRUE(reopened->parameter(layer).layer);
    EXPECT_EQ(reopened->parameter(layer).layer->height(), 3);
    EXPECT_EQ(reopened->parameter(layer).layerFile, "/elsewhere/plates/base.png");
    // Without a reader the files are left alone (a tool that brings its own layers).
    auto bare = setUpInstance();
    Project::load(*bare, project);
    EXPECT_FALSE(bare->parameter(layer).layer);
    // Projects from before layers were recorded open as they did.
    EXPECT_FALSE(Project::save(*bare).contains("layers"));
}

TEST_F(ProjectTest, FilesAreWrittenWholeAndReadBack) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("kv_project_" + std::to_string(::getpid()) + ".json"))
            .string();
    auto original = edited();
    Project::saveFile(*original, path);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    auto reopened = setUpInstance();
    Project::loadFile(*reopened, path);
    EXPECT_EQ(reopened->parameter(kProbeAmount).current().u.fs_d.value, 2.5);

    std::ofstream(path) << "{ not json";
    try {
        Project::loadFile(*reopened, path);
        ADD_FAILURE() << "loaded a damaged project";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr(path + ": not a project file"));
    }
    std::filesystem::remove(path);
    EXPECT_THROW(Project::loadFile(*reopened, path), HostError);
    EXPECT_THROW(Project::saveFile(*reopened, "/no/such/folder/project.json"), HostError);
}

} // namespace
} // namespace kvhost

#include "tests/host/KvhostRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using kvtest::runTool;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(KvhostTool, InfoPrintsTheRecordAndTheAboutText) {
    const kvtest::ToolRun run = runTool(KV_KVHOST, {"info", KV_PROBE_PLUGIN});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_THAT(run.out, HasSubstr("kind:                   eFKT\n"));
    EXPECT_THAT(run.out, HasSubstr("name:                   KV Probe\n"));
    EXPECT_THAT(run.out, HasSubstr("category:               Tests\n"));
    EXPECT_THAT(run.out, HasSubstr("entry point:            EntryPointFunc\n"));
    EXPECT_THAT(run.out, HasSubstr("property-list version:  2.0\n"));
    EXPECT_THAT(run.out, HasSubstr("specification version:  13.1\n"));
    EXPECT_THAT(run.out, HasSubstr("effect version:         0x00113200 (2.2.6)\n"));
    EXPECT_THAT(run.out, HasSubstr("out flags:              0x06008110\n"));
    EXPECT_THAT(run.out, HasSubstr("out flags 2:            0x00009480\n"));
    EXPECT_THAT(run.out, HasSubstr("match name:             TQKV Probe\n"));
    // The about text in UTF-8, its carriage return shown as a new line.
    EXPECT_THAT(run.out, HasSubstr("about:\n    \u00bbProbe\u00ab v2.2.6\n    Probe effect.\n"));
}

TEST(KvhostTool, ParamsListsEveryParameter) {
    const kvtest::ToolRun run = runTool(KV_KVHOST, {"params", KV_PROBE_PLUGIN});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out,
                HasSubstr("index  name                      type            id    flags   default\n"));
    EXPECT_THAT(run.out, HasSubstr("0      input layer               layer           0     0x0     none\n"));
    EXPECT_THAT(run.out,
                HasSubstr("1      mode                      popup           1     0x40    copy (1)\n"));
    EXPECT_THAT(run.out, HasSubstr("2      amount                    float slider    2     0x0     1.5\n"));
    EXPECT_THAT(run.out,
                HasSubstr("4      angle                     angle           4     0x0     45 degrees\n"));
    EXPECT_THAT(run.out, HasSubstr("5      enabled                   checkbox        5     0x0     on\n"));
    EXPECT_THAT(run.out,
                HasSubstr("6      tint                      colour          6     0x0     10,20,30,255\n"));
    EXPECT_THAT(run.out,
                HasSubstr("7      centre                    point           7     0x0     50%, 25%\n"));
    EXPECT_THAT(run.out,
                HasSubstr("11     level                     arbitrary data  11    0x40    refcon QZPB\n"));
}

// Every bad input: one line on standard error naming the file and the fault, exit code 2.
TEST(KvhostTool, BadFilesGiveOneLineAndExitCode2) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string text = folder + "/kvhost_not_a_library_" + std::to_string(::getpid()) + ".so";
    std::ofstream(text) << "not a library\n";
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"/no/such/file.so", "no such file"},
        {folder, "is a directory, not a plug-in file"},
        {text, "not a shared library (no ELF header)"},
        {KV_NO_ENTRY_PLUGIN, "no entry point EntryPointFunc"},
        {KV_NO_PIPL_PLUGIN, "no .pipl section (no registration record)"},
        {KV_SHORT_PIPL_PLUGIN, "registration record is 300 bytes, expected 310"},
    };
    for (const auto& c : cases) {
        for (const char* verb : {"info", "params"}) {
            const kvtest::ToolRun run = runTool(KV_KVHOST, {verb, c.path});
            EXPECT_EQ(run.exitCode, 2) << verb << " " << c.path;
            EXPECT_EQ(run.out, "") << verb << " " << c.path;
            EXPECT_THAT(run.errLines(), ElementsAre("kvhost: " + c.path + ": " + c.message)) << verb;
        }
    }
    std::filesystem::remove(text);
}

TEST(KvhostTool, EveryVerbHasHelp) {
    for (const char* verb : {"info", "params"}) {
        const kvtest::ToolRun run = runTool(KV_KVHOST, {verb, "--help"});
        EXPECT_EQ(run.exitCode, 0) << verb;
        EXPECT_THAT(run.out, HasSubstr("PLUGIN")) << verb;
    }
    const kvtest::ToolRun top = runTool(KV_KVHOST, {"--help"});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_THAT(top.out, HasSubstr("info"));
    EXPECT_THAT(top.out, HasSubstr("params"));
}

TEST(KvhostTool, AMissingVerbIsAUsageError) {
    const kvtest::ToolRun run = runTool(KV_KVHOST, {});
    EXPECT_NE(run.exitCode, 0);
}

} // namespace

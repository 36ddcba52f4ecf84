// What the host reads from each plug-in file before and right after loading it.
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "tests/host/KvhostRun.h"
#include "tests/support/ProjectVersion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using ::testing::HasSubstr;

struct Effect {
    const char* path;
    const char* name;
    const char* matchName;
    int parameterCount;
    A_u_long outFlags;
    A_u_long outFlags2;
};

// A word as kvhost info prints it: 0x and eight hex digits.
std::string hexWord(A_u_long word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(word));
    return text;
}

const Effect kAbsolute{KV_MORROWBY, "KV Curves - Absolute", "TQKV Absolute Curves",
                       9,           kvtest::kAbsoluteFlags, kvtest::kAbsoluteFlags2};
const Effect kRelative{KV_TARNWICK, "KV Curves - Relative", "TQKV Relative Curves",
                       13,          kvtest::kRelativeFlags, kvtest::kRelativeFlags2};

void PrintTo(const Effect& effect, std::ostream* os) {
    *os << effect.name;
}

class PluginInfoTest : public ::testing::TestWithParam<Effect> {};

TEST_P(PluginInfoTest, KvhostInfoPrintsTheRecord) {
    const Effect& effect = GetParam();
    const kvtest::ToolRun run = kvtest::runTool(KV_KVHOST, {"info", effect.path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_THAT(run.out, HasSubstr("kind:                   eFKT\n"));
    EXPECT_THAT(run.out, HasSubstr(std::string("name:                   ") + effect.name + "\n"));
    EXPECT_THAT(run.out, HasSubstr("category:               Korvane\n"));
    EXPECT_THAT(run.out, HasSubstr("entry point:            EntryPointFunc\n"));
    EXPECT_THAT(run.out, HasSubstr("property-list version:  2.0\n"));
    EXPECT_THAT(run.out, HasSubstr("specification version:  12.2\n"));
    EXPECT_THAT(run.out, HasSubstr("effect version:         " + hexWord(korvane::kEffectVersion) + " (" +
                                   kvtest::versionText() + ")\n"));
    EXPECT_THAT(run.out, HasSubstr("out flags:              " + hexWord(effect.outFlags) + "\n"));
    EXPECT_THAT(run.out, HasSubstr("out flags 2:            " + hexWord(effect.outFlags2) + "\n"));
    EXPECT_THAT(run.out, HasSubstr(std::string("match name:             ") + effect.matchName + "\n"));
    EXPECT_THAT(run.out, HasSubstr(" v" + kvtest::versionText() + "\n")); // the about text
}

TEST_P(PluginInfoTest, GlobalSetupReportsTheRecordsVersionAndFlags) {
    const Effect& effect = GetParam();
    kvhost::PluginFile plugin(effect.path);
    kvhost::EffectInstance instance(plugin);
    ASSERT_EQ(instance.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(instance.lastOutData().my_version, korvane::kEffectVersion);
    EXPECT_EQ(A_u_long(instance.lastOutData().out_flags), effect.outFlags);
    EXPECT_EQ(A_u_long(instance.lastOutData().out_flags2), effect.outFlags2);
    EXPECT_TRUE(instance.lastReport().clean()) << instance.lastReport().describe();
}

TEST_P(PluginInfoTest, AnOlderHostGetsOnlyTheExtraSecondFlag) {
    kvhost::PluginFile plugin(GetParam().path);
    kvhost::EffectInstance instance(plugin);
    instance.setSpecVersion(12, 4);
    ASSERT_EQ(instance.globalSetup(), PF_Err_NONE);
    // Below 12.5 the plug-in leaves the host's word (0) and adds 0x8000 only.
    EXPECT_EQ(A_u_long(instance.lastOutData().out_flags2), 0x00008000u);
}

TEST_P(PluginInfoTest, SetUpRegistersTheParametersCleanly) {
    const Effect& effect = GetParam();
    kvhost::PluginFile plugin(effect.path);
    kvhost::EffectInstance instance(plugin);
    instance.setup();
    EXPECT_EQ(instance.parameterCount(), effect.parameterCount);
    EXPECT_EQ(instance.problems(), "");
    const kvtest::ToolRun run = kvtest::runTool(KV_KVHOST, {"params", effect.path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("curve"));
}

INSTANTIATE_TEST_SUITE_P(Effects, PluginInfoTest, ::testing::Values(kAbsolute, kRelative),
                         [](const auto& info) {
                             return std::string(info.param.path == kAbsolute.path ? "Absolute" : "Relative");
                         });

} // namespace

// kvhost info and params with bad input, as one table (BadInputTable.h); both verbs get every row.
#include "tests/cli/BadInputTable.h"

namespace kvtest {
namespace {

using BadInput = BadInputBase;

// Rows for "VERB ..."; the verb comes from the test's parameter.
struct PluginRow {
    const char* name;
    std::function<Case(const BadInput&, const std::string& verb)> make;
};

const std::vector<PluginRow>& rows() {
    static const std::vector<PluginRow> table = {
        {"PluginMissing",
         [](const BadInput&, const std::string& verb) { return Case{{verb, "/no/such/plugin.so"}, {"/no/such/plugin.so", "no such file"}, ""}; }},
        {"PluginIsAFolder",
         [](const BadInput& t, const std::string& verb) { return Case{{verb, t.folder()}, {t.folder(), "is a directory"}, ""}; }},
        {"PluginIsAPicture",
         [](const BadInput& t, const std::string& verb) {
             return Case{{verb, t.smallPng("plugin.png")}, {t.path("plugin.png"), "not a shared library"}, ""};
         }},
        {"PluginIsADevice",
         [](const BadInput&, const std::string& verb) { return Case{{verb, "/dev/zero"}, {"/dev/zero"}, ""}; }},
        {"NoPlugin", [](const BadInput&, const std::string& verb) { return Case{{verb}, {"PLUGIN"}, ""}; }},
        {"UnknownOption",
         [](const BadInput&, const std::string& verb) { return Case{{verb, KV_MORROWBY, "--yaml"}, {"--yaml"}, ""}; }},
        {"TwoPlugins",
         [](const BadInput&, const std::string& verb) { return Case{{verb, KV_MORROWBY, KV_TARNWICK}, {KV_TARNWICK}, ""}; }},
    };
    return table;
}

using Param = std::tuple<std::string, PluginRow>;

class PluginVerbBadInput : public BadInputBase, public ::testing::WithParamInterface<Param> {};

TEST_P(PluginVerbBadInput, NamesTheFaultAndExitsWith2) {
    const auto& [verb, row] = GetParam();
    expectRefused(row.make(*this, verb));
}

INSTANTIATE_TEST_SUITE_P(Kvhost, PluginVerbBadInput,
                         ::testing::Combine(::testing::Values("info", "params"), ::testing::ValuesIn(rows())),
                         [](const ::testing::TestParamInfo<Param>& info) {
                             return std::get<0>(info.param) + "_" + std::get<1>(info.param).name;
                         });

// The usage errors of kvhost itself: 2 as every other error; help and the version are none.
TEST_F(CliTest, UsageErrorsExitWith2AndHelpAndVersionWith0) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"paint"}, {"--frobnicate"}, {"render", "--depth"}}) {
        const ToolRun run = kvhost(arguments);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(arguments) << run.err;
        EXPECT_THAT(run.err, ::testing::StartsWith("kvhost: "));
    }
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"render", "--help"}, {"--version"}}) {
        EXPECT_EQ(kvhost(arguments).exitCode, 0) << ::testing::PrintToString(arguments);
    }
    EXPECT_THAT(kvhost({"--version"}).out, ::testing::MatchesRegex("kvhost [0-9]+\\.[0-9]+\\.[0-9]+ .*\n"));
}

} // namespace
} // namespace kvtest

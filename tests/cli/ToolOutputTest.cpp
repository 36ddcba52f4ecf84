// What kvhost prints: the parameters with their items and ranges, JSON for scripts, and the progress line
// on a terminal up to its end.
#include "tests/cli/CliFixture.h"
#include "tests/support/ProjectVersion.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvtest {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

TEST_F(CliTest, ParamsShowsPopupItemsAndSliderRanges) {
    const ToolRun absolute = kvhost({"params", KV_MORROWBY});
    ASSERT_EQ(absolute.exitCode, 0) << absolute.err;
    EXPECT_THAT(absolute.out,
                HasSubstr("items: 1 brightness, 2 saturation, 3 hue, 4 rgb, 5 red, 6 green, 7 blue, "
                          "8 alpha\n"));
    EXPECT_THAT(absolute.out, HasSubstr("items: 1 Decimal (0.0-1.0), 2 8-bpc (0-255), 3 10-bpc (0-1023), "
                                        "4 16-bpc (0-32768)\n"));
    EXPECT_THAT(absolute.out, HasSubstr("range: -9999999 to 9999999 (slider 0 to 1), 3 decimals\n"));
    const ToolRun relative = kvhost({"params", KV_TARNWICK});
    ASSERT_EQ(relative.exitCode, 0) << relative.err;
    EXPECT_THAT(relative.out, HasSubstr("7 alpha, 8 (separator), 9 brightness curve"));
    EXPECT_THAT(relative.out, HasSubstr("range: 0 to 9999999 (slider 0 to 10), 3 decimals\n"));
}

TEST_F(CliTest, InfoAndParamsPrintJsonForScripts) {
    const ToolRun params = kvhost({"params", KV_TARNWICK, "--json"});
    ASSERT_EQ(params.exitCode, 0) << params.err;
    const json list = json::parse(params.out);
    ASSERT_EQ(list.size(), 13u);
    EXPECT_EQ(list[0]["name"], "input layer");
    EXPECT_EQ(list[2]["name"], "based on");
    EXPECT_EQ(list[2]["items"][7], (json{{"value", 8}, {"separator", true}}));
    EXPECT_EQ(list[2]["items"][8], (json{{"value", 9}, {"text", "brightness curve"}}));
    EXPECT_EQ(list[10]["name"], "pre blur");
    EXPECT_EQ(list[10]["validRange"], (json{0.0, 9999999.0}));
    EXPECT_EQ(list[10]["sliderRange"], (json{0.0, 10.0}));
    EXPECT_EQ(list[10]["precision"], 3);

    const ToolRun info = kvhost({"info", KV_MORROWBY, "--json"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const json fields = json::parse(info.out);
    EXPECT_EQ(fields["matchName"], "TQKV Absolute Curves");
    EXPECT_EQ(fields["name"], "KV Curves - Absolute");
    EXPECT_EQ(fields["effectVersion"], kvtest::versionText());
    EXPECT_EQ(fields["kind"], "eFKT");
    EXPECT_THAT(fields["about"].get<std::string>(), HasSubstr("Absolute Curves."));
}

// kvhost on a terminal of its own: everything it showed there.
std::string onTerminal(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {KV_KVHOST};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(KV_KVHOST, argv.data());
        ::_exit(127);
    }
    std::string shown;
    char chunk[4096];
    pollfd ready{terminal, POLLIN, 0};
    // Bounded: at most a minute, however the tool behaves.
    for (int waited = 0; waited < 600 && ::poll(&ready, 1, 100) >= 0; ++waited) {
        if (ready.revents & POLLIN) {
            const ssize_t n = ::read(terminal, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            shown.append(chunk, std::size_t(n));
        } else if (ready.revents & (POLLHUP | POLLERR)) {
            break;
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    return shown;
}

TEST_F(CliTest, TheProgressLineReachesOneHundredPercentWithAnyThreadCount) {
    std::vector<std::uint8_t> pixels(std::size_t(400 * 300 * 3));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = std::uint8_t(i * 131 % 256);
    }
    writeFile(at("in.png"), 400, 300, 3, OIIO::TypeDesc::UINT8, pixels);
    writeText(at("curve.txt"), curveSetText({{"rgb", straightCurve(0.1, 0.9)}}));
    for (const char* threads : {"1", "2", "7"}) {
        for (const char* plugin : {KV_MORROWBY, KV_TARNWICK}) {
            const std::string shown =
                onTerminal({"render", plugin, path("in.png"), path("out.png"), "--threads", threads});
            EXPECT_THAT(shown, HasSubstr("rendering 100%")) << plugin << ", " << threads << " threads";
            EXPECT_TRUE(fs::exists(at("out.png")));
            fs::remove(at("out.png"));
        }
    }
}

} // namespace
} // namespace kvtest

// kvhost serve as a process: the address on the first line, serving until SIGINT or SIGTERM, then the effect
// set down with nothing left over; bad arguments fail before anything listens.
#include "tests/host/KvhostRun.h"
#include "tests/serve/ServeFixture.h"

#include <gmock/gmock.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>


namespace kvtest {
namespace {

using ::testing::HasSubstr;

constexpr int kWaitMs = 20000;

// kvhost serve with its standard output on a pipe and its standard error in a file.
class ServeProcess {
public:
    ServeProcess(const std::vector<std::string>& arguments, const fs::path& errFile) : errFile_(errFile) {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(err, 2);
            ::close(out[0]);
            std::vector<std::string> all{KV_KVHOST, "serve"};
            all.insert(all.end(), arguments.begin(), arguments.end());
            std::vector<char*> argv;
            for (std::string& a : all) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(KV_KVHOST, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~ServeProcess() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
    }

    // The first line of standard output, read within kWaitMs.
    std::string firstLine() {
        std::string text;
        for (int waited = 0; text.find('\n') == std::string::npos && waited < kWaitMs; waited += 50) {
            pollfd ready{out_, POLLIN, 0};
            if (::poll(&ready, 1, 50) == 1) {
                char buffer[256];
                const ssize_t got = ::read(out_, buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                text.append(buffer, std::size_t(got));
            }
        }
        return text.substr(0, text.find('\n'));
    }

    // Sends the signal and waits (within kWaitMs) for the exit code; -1 when the process had to be killed.
    int stop(int signal) {
        ::kill(pid_, signal);
        return wait();
    }
    int wait() {
        int status = 0;
        for (int waited = 0; waited < kWaitMs; waited += 20) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    std::string err() const { return slurp(errFile_); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ended_ = false;
    fs::path errFile_;
};

TEST_F(ServeTest, TheProcessPrintsItsAddressAndSetsTheEffectDownOnEachSignal) {
    for (const int signal : {SIGTERM, SIGINT}) {
        const std::string name = signal == SIGTERM ? "SIGTERM" : "SIGINT";
        ServeProcess serve({KV_MORROWBY, at("input.png").string(), "--port", "0", "--token", kToken,
                            "--save-project", at("never.json").string()},
                           at("err.txt"));
        const std::string line = serve.firstLine();
        const std::string prefix = "kvhost: editor at http://127.0.0.1:";
        const std::string suffix = std::string("/?token=") + kToken;
        ASSERT_EQ(line.substr(0, prefix.size()), prefix) << line << "\n" << serve.err();
        ASSERT_GT(line.size(), prefix.size() + suffix.size());
        EXPECT_EQ(line.substr(line.size() - suffix.size()), suffix);
        const std::string port = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
        ASSERT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << line;
        httplib::Client client("127.0.0.1", std::stoi(port));
        client.set_connection_timeout(std::chrono::seconds(5));
        client.set_read_timeout(std::chrono::seconds(60));
        client.set_default_headers({{"X-Kvhost-Token", kToken}});
        const auto page = client.Get("/");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        // A gesture left open: setting down ends it first.
        const auto click = client.Post("/api/event", R"({"type": "click", "x": 325, "y": 139})", "application/json");
        ASSERT_TRUE(click);
        ASSERT_EQ(click->status, 200) << click->body;
        const auto drag = client.Post("/api/event", R"({"type": "drag", "x": 325, "y": 80})", "application/json");
        ASSERT_TRUE(drag);

        EXPECT_EQ(serve.stop(signal), 0) << serve.err();
        const std::string err = serve.err();
        EXPECT_THAT(err, HasSubstr("kvhost: " + name + ": setting the effect down"));
        EXPECT_THAT(err, HasSubstr("the last changes were not saved"));
        EXPECT_THAT(err, ::testing::Not(HasSubstr("leak")));
        EXPECT_THAT(err, ::testing::Not(HasSubstr("locked")));
        EXPECT_FALSE(fs::exists(at("never.json")));
        EXPECT_FALSE(client.Get("/api/state")); // nothing listens any more
    }
}

TEST_F(ServeTest, BadArgumentsFailBeforeAnythingListens) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{KV_MORROWBY, at("input.png").string(), "--token", "short"}, "too easy to guess"},
        {{KV_MORROWBY, at("missing.png").string()}, at("missing.png").string()},
        {{KV_MORROWBY, at("input.png").string(), "--layer", "channel=" + at("input.png").string()},
         "\"channel\" is not a layer parameter"},
        {{KV_MORROWBY, at("input.png").string(), "--save-project", at("no/such/folder/p.json").string()},
         "no/such/folder"},
    };
    for (const auto& [arguments, message] : cases) {
        std::vector<std::string> all{"serve"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const ToolRun run = runTool(KV_KVHOST, all);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.out, "") << message;
        EXPECT_THAT(run.err, HasSubstr(message));
    }
    const ToolRun help = runTool(KV_KVHOST, {"serve", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--token"));
    EXPECT_THAT(help.out, HasSubstr("kvhost: editor at http://HOST:PORT/?token=TOKEN"));
}

} // namespace
} // namespace kvtest

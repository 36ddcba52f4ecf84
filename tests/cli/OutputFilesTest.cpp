// Outputs that are not plain files: a symbolic link is followed and its target replaced whole, a pipe
// or character device is written straight through and stays what it is, the input itself is replaced
// only once read; and temporary files go away when kvhost is stopped by a signal.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kvtest {
namespace {

using namespace std::chrono_literals;

// Hidden temporary files kvhost writes beside an output: ".NAME.kvhost-PID-N.EXT".
std::set<std::string> temporaries(const fs::path& folder) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".kvhost-") != std::string::npos) {
            found.insert(entry.path().filename().string());
        }
    }
    return found;
}

// Reads a pipe while kvhost writes it: opened without waiting for a writer, drained until told to stop.
class PipeReader {
public:
    explicit PipeReader(const fs::path& pipe)
        : thread_([this, pipe] {
              const int descriptor = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
              char chunk[65536];
              const auto deadline = std::chrono::steady_clock::now() + 60s;
              while (descriptor >= 0 && std::chrono::steady_clock::now() < deadline) {
                  const ssize_t n = ::read(descriptor, chunk, sizeof chunk);
                  if (n > 0) {
                      bytes_.append(chunk, std::size_t(n));
                  } else if (stop_.load()) {
                      break;
                  } else {
                      std::this_thread::sleep_for(2ms);
                  }
              }
              if (descriptor >= 0) {
                  ::close(descriptor);
              }
          }) {}
    // Everything written, once the writer is gone.
    std::string finish() {
        stop_ = true;
        thread_.join();
        return bytes_;
    }

private:
    std::atomic<bool> stop_{false};
    std::string bytes_;
    std::thread thread_;
};

TEST_F(CliTest, ALinkIsFollowedAndItsTargetReplacedWholeInItsOwnFolder) {
    const std::string in = smallPng("in.png");
    fs::create_directory(at("elsewhere"));
    writeText(at("elsewhere/target.png"), "an old picture\n");
    fs::create_symlink(at("elsewhere/target.png"), at("link.png"));
    writeText(at("elsewhere/grade.json"), "an old project\n");
    fs::create_symlink("elsewhere/grade.json", at("project.json")); // relative to the link's folder
    const ToolRun run =
        kvhost({"render", KV_MORROWBY, in, path("link.png"), "--save-project", path("project.json")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(at("link.png")));
    EXPECT_TRUE(fs::is_symlink(at("project.json")));
    EXPECT_EQ(readFile(at("elsewhere/target.png")).width, 3);
    EXPECT_THAT(slurp(at("elsewhere/grade.json")), ::testing::HasSubstr("TQKV Absolute Curves"));
    EXPECT_EQ(temporaries(folder_), std::set<std::string>{});
    EXPECT_EQ(temporaries(at("elsewhere")), std::set<std::string>{});
}

TEST_F(CliTest, APipeIsWrittenStraightThroughAndStaysAPipe) {
    const std::string in = smallPng("in.png");
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, in, path("plain.png")}).exitCode, 0);
    for (const char* name : {"image.png", "project.json"}) {
        ASSERT_EQ(::mkfifo(path(name).c_str(), 0600), 0);
    }
    PipeReader image(at("image.png"));
    PipeReader project(at("project.json"));
    const ToolRun run =
        kvhost({"render", KV_MORROWBY, in, path("image.png"), "--save-project", path("project.json")});
    const std::string imageBytes = image.finish();
    const std::string projectBytes = project.finish();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(imageBytes, slurp(at("plain.png")));
    EXPECT_THAT(projectBytes, ::testing::HasSubstr("\"matchName\": \"TQKV Absolute Curves\""));
    EXPECT_TRUE(fs::is_fifo(at("image.png")));
    EXPECT_TRUE(fs::is_fifo(at("project.json")));
    EXPECT_EQ(temporaries(folder_), std::set<std::string>{});
}

TEST_F(CliTest, ACharacterDeviceIsWrittenStraightThroughAndStaysADevice) {
    const ToolRun run = kvhost({"render", KV_MORROWBY, smallPng("in.png"), "/dev/null", "--save-project",
                                "/dev/null", "--histogram-out", "/dev/null"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(temporaries("/dev"), std::set<std::string>{});
    const ToolRun panel = kvhost({"panel", KV_MORROWBY, "/dev/null"});
    ASSERT_EQ(panel.exitCode, 0) << panel.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // Standard output has no extension: the picture goes there in the input's format.
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, path("in.png"), path("plain.png")}).exitCode, 0);
    const ToolRun piped = kvhost({"render", KV_MORROWBY, path("in.png"), "/dev/stdout"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, slurp(at("plain.png")));
}

TEST_F(CliTest, TheInputItselfIsReplacedWholeOnceRead) {
    writeFile(at("in.png"), 2, 1, 3, OIIO::TypeDesc::UINT8,
              std::vector<std::uint8_t>{0, 100, 200, 50, 150, 250});
    fs::copy_file(at("in.png"), at("copy.png"));
    writeText(at("dark.txt"), curveSetText({{"rgb", straightCurve(0.0, 0.5)}}));
    ToolRun run =
        kvhost({"render", KV_MORROWBY, path("copy.png"), path("expected.png"), "--curves", path("dark.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_MORROWBY, path("in.png"), path("in.png"), "--curves", path("dark.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("in.png")), slurp(at("expected.png")));
    EXPECT_EQ(temporaries(folder_), std::set<std::string>{});
}

TEST_F(CliTest, AReplacedFileKeepsItsPermissions) {
    writeText(at("out.png"), "old\n");
    fs::permissions(at("out.png"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(kvhost({"render", KV_MORROWBY, smallPng("in.png"), path("out.png")}).exitCode, 0);
    EXPECT_EQ(fs::status(at("out.png")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(CliTest, TemporaryFilesGoAwayWhenKvhostIsInterruptedOrTerminated) {
    const std::string in = smallPng("in.png");
    fs::create_directory(at("run"));
    for (const int signal : {SIGINT, SIGTERM}) {
        // The histogram goes to a pipe nobody reads: kvhost waits there, after the image is renamed into
        // place and while the project is still a temporary file.
        const fs::path pipe = at("run/histogram.json");
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        const pid_t pid = startKvhost({"render", KV_MORROWBY, in, path("run/out.png"), "--histogram-out",
                                       pipe.string(), "--save-project", path("run/project.json")},
                                      at("stderr"), at("stdout"));
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!(fs::exists(at("run/out.png")) && temporaries(at("run")).size() == 1) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_EQ(temporaries(at("run")).size(), 1u) << slurp(at("stderr"));
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "ended by the signal, as without kvhost's handler";
        EXPECT_EQ(temporaries(at("run")), std::set<std::string>{}) << "signal " << signal;
        EXPECT_FALSE(fs::exists(at("run/project.json")));
        fs::remove(pipe);
        fs::remove(at("run/out.png"));
    }
}

} // namespace
} // namespace kvtest

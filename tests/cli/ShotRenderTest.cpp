// kvhost render on shots of numbered frames: keyframes per frame, progress, failed frames, resuming, and
// stopping by SIGINT.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

std::string frameName(const std::string& stem, long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%04ld.png", stem.c_str(), frame);
    return name;
}

class ShotTest : public CliTest {
protected:
    // in.0001.png ... : frames of noise, 8 x 4 pixels.
    void writeFrames(long first, long last, const std::string& stem = "in") const {
        for (long f = first; f <= last; ++f) {
            writeFile(at(frameName(stem, f)), 8, 4, 3, OIIO::TypeDesc::UINT8, noise(8, 4, int(f)));
        }
    }
    std::vector<std::string> shot(const std::string& frames, std::vector<std::string> options = {},
                                  const char* plugin = KV_MORROWBY) const {
        std::vector<std::string> arguments = {"render",   plugin, path("in.####.png"), path("out.%04d.png"),
                                              "--frames", frames};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return arguments;
    }
    // The names in the folder that start with `stem`.
    std::set<std::string> named(const std::string& stem) const {
        std::set<std::string> found;
        for (const std::string& name : files()) {
            if (name.rfind(stem, 0) == 0) {
                found.insert(name);
            }
        }
        return found;
    }
};

const std::string kAnimated = std::string(KV_EXAMPLES) + "/absolute-animated.kvproj.json";

TEST_F(ShotTest, EachFrameEqualsTheOneImageRenderAtItsTime) {
    writeFrames(1, 5);
    // Two frames a second: frames 1 to 5 are 0.5 s to 2.5 s, across the project's curve keyframes (0 and
    // 2.5 s).
    ToolRun run = kvhost(shot("1-5", {"--fps", "2", "--project", kAnimated, "--quiet"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const char* times[] = {"0.5", "1", "1.5", "2", "2.5"};
    std::set<std::string> distinct;
    for (long f = 1; f <= 5; ++f) {
        run = kvhost({"render", KV_MORROWBY, path(frameName("in", f)), path("single.png"), "--project",
                      kAnimated, "--time", times[f - 1]});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string frame = slurp(at(frameName("out", f)));
        EXPECT_EQ(frame, slurp(at("single.png"))) << "frame " << f << " against --time " << times[f - 1];
        distinct.insert(frame);
    }
    EXPECT_EQ(distinct.size(), 5u) << "the curve moves from frame to frame";
}

TEST_F(ShotTest, LayerSequencesGoFrameForFrame) {
    writeFrames(1, 3);
    writeFrames(1, 3, "base");
    const std::string curves = std::string(KV_EXAMPLES) + "/relative-postblur-by-brightness.txt";
    ToolRun run = kvhost(
        shot("1-3", {"--curves", curves, "--layer", "base layer=" + path("base.%04d.png")}, KV_TARNWICK));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (long f = 1; f <= 3; ++f) {
        run = kvhost({"render", KV_TARNWICK, path(frameName("in", f)), path("single.png"), "--curves", curves,
                      "--layer", "base layer=" + path(frameName("base", f)), "--time",
                      std::to_string(f / 24.0)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(slurp(at(frameName("out", f))), slurp(at("single.png"))) << "frame " << f;
    }
    // The same base layer for every frame differs from the frame's own.
    run = kvhost(
        shot("2", {"--curves", curves, "--layer", "base layer=" + path("base.0001.png")}, KV_TARNWICK));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = kvhost({"render", KV_TARNWICK, path("in.0002.png"), path("own.png"), "--curves", curves, "--layer",
                  "base layer=" + path("base.0002.png")});
    EXPECT_NE(slurp(at("out.0002.png")), slurp(at("own.png")));
}

TEST_F(ShotTest, OffATerminalEachFrameIsALineInOrder) {
    writeFrames(1, 6);
    const ToolRun run = kvhost(shot("1-6x2"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.errLines(),
                ::testing::ElementsAre("kvhost: frame 1: wrote " + path("out.0001.png") + " (1/3)",
                                       "kvhost: frame 3: wrote " + path("out.0003.png") + " (2/3)",
                                       "kvhost: frame 5: wrote " + path("out.0005.png") + " (3/3)",
                                       "kvhost: 3 frames written"));
    EXPECT_EQ(named("out."), (std::set<std::string>{"out.0001.png", "out.0003.png", "out.0005.png"}));
    EXPECT_EQ(kvhost(shot("1-6x2", {"--quiet"})).err, "");
}

TEST_F(ShotTest, KeepGoingRendersPastACorruptFrameAndListsIt) {
    writeFrames(1, 5);
    const std::string whole = slurp(at("in.0003.png"));
    writeText(at("in.0003.png"), whole.substr(0, whole.size() / 2)); // cut short, as by a full disk
    // libpng inside OpenImageIO's reader leaks a few bytes on a truncated file; not ours to report.
    ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);

    ToolRun run = kvhost(shot("1-5", {"--keep-going"}));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr("kvhost: frame 3: " + path("in.0003.png")));
    EXPECT_THAT(run.err, HasSubstr("kvhost: 1 of 5 frames failed: 3 (the others are done)"));
    EXPECT_EQ(named("out."),
              (std::set<std::string>{"out.0001.png", "out.0002.png", "out.0004.png", "out.0005.png"}));
    EXPECT_EQ(named("."), std::set<std::string>()) << "no temporary file is left";

    for (const std::string& name : named("out.")) {
        fs::remove(at(name));
    }
    run = kvhost(shot("1-5"));
    EXPECT_EQ(run.exitCode, 2);
    ::unsetenv("LSAN_OPTIONS");
    EXPECT_THAT(run.err, HasSubstr("kvhost: stopped at frame 3; frames 4-5 are not rendered"));
    EXPECT_EQ(named("out."), (std::set<std::string>{"out.0001.png", "out.0002.png"}));
}

TEST_F(ShotTest, SigintStopsAfterAWholeFrameAndSkipExistingResumes) {
    constexpr long kFrames = 150;
    writeFrames(1, kFrames);
    const fs::path errFile = folder_.parent_path() / (folder_.filename().string() + ".err");
    const pid_t pid = startKvhost(shot("1-150"), errFile);
    ASSERT_GT(pid, 0);
    // Once the first frame is there, SIGINT: the run finishes the frame in hand and stops.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(at("out.0001.png")) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string err = slurp(errFile);
    fs::remove(errFile);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal instead of stopping after the frame\n" << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << err;
    EXPECT_THAT(err, HasSubstr("kvhost: interrupted; the frames written are whole, frames "));
    const std::size_t stopped = named("out.").size();
    EXPECT_GE(stopped, 1u);
    EXPECT_LT(stopped, std::size_t(kFrames)) << "the run was not stopped";
    EXPECT_EQ(named("."), std::set<std::string>()) << "no temporary file is left";

    ToolRun run = kvhost(shot("1-150", {"--skip-existing"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr(std::to_string(kFrames - long(stopped)) + " frames written, " +
                                   std::to_string(stopped) + " there already"));
    EXPECT_THAT(run.err,
                HasSubstr("kvhost: frame 1: " + path("out.0001.png") + " is there already, left alone"));
    // Every frame, the ones before the stop included, equals a run that was never stopped.
    fs::create_directories(at("whole"));
    run = kvhost({"render", KV_MORROWBY, path("in.####.png"), path("whole/out.####.png"), "--frames", "1-150",
                  "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (long f = 1; f <= kFrames; ++f) {
        ASSERT_EQ(slurp(at(frameName("out", f))), slurp(at("whole/" + frameName("out", f)))) << "frame " << f;
    }
}

TEST_F(ShotTest, AChunkRendersItsSliceOnly) {
    writeFrames(1, 10);
    ToolRun run = kvhost(shot("1-10", {"--chunk", "2/3", "--quiet"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(named("out."), (std::set<std::string>{"out.0005.png", "out.0006.png", "out.0007.png"}));
    run = kvhost(shot("1-2", {"--chunk", "3/3"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("holds no frames"));
}

} // namespace
} // namespace kvtest

namespace kvtest {
namespace {

TEST_F(ShotTest, TheShippedShotProjectMovesTheCurveOverFortyEightFrames) {
    for (const long f : {1L, 24L, 48L}) {
        writeFile(at(frameName("in", f)), 8, 4, 3, OIIO::TypeDesc::UINT8, noise(8, 4, 7));
    }
    const std::string project = std::string(KV_EXAMPLES) + "/absolute-shot-48-frames.kvproj.json";
    ToolRun run = kvhost(shot("1,24,48", {"--project", project, "--quiet"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Frame 24 (1 s) is the S-curve keyframe itself.
    run = kvhost({"render", KV_MORROWBY, path("in.0024.png"), path("s.png"), "--curves",
                  std::string(KV_EXAMPLES) + "/absolute-s-curve.txt"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(slurp(at("out.0024.png")), slurp(at("s.png")));
    EXPECT_NE(slurp(at("out.0001.png")), slurp(at("out.0024.png")));
    EXPECT_NE(slurp(at("out.0024.png")), slurp(at("out.0048.png")));
}

} // namespace
} // namespace kvtest

namespace kvtest {
namespace {

// Two instances render at once on threads of their own; each reaches its own host memory (the blur takes
// scratch memory from the plug-in's worker threads), gives it all back (exit 0, not 1) and renders what
// one job renders.
TEST_F(ShotTest, TwoJobsWriteWhatOneJobWrites) {
    writeFrames(1, 8);
    const std::string curves = std::string(KV_EXAMPLES) + "/relative-postblur-by-brightness.txt";
    fs::create_directories(at("one"));
    fs::create_directories(at("two"));
    for (const char* jobs : {"1", "2"}) {
        const std::string folder = std::string(jobs) == "1" ? "one" : "two";
        const ToolRun run = kvhost({"render", KV_TARNWICK, path("in.####.png"),
                                    path(folder + "/out.####.png"), "--frames", "1-8", "--curves", curves,
                                    "--set", "pre blur=2", "--jobs", jobs, "--threads", "4", "--quiet"});
        ASSERT_EQ(run.exitCode, 0) << "--jobs " << jobs << "\n" << run.err;
    }
    for (long f = 1; f <= 8; ++f) {
        ASSERT_TRUE(fs::exists(at("one/" + frameName("out", f))));
        EXPECT_EQ(slurp(at("one/" + frameName("out", f))), slurp(at("two/" + frameName("out", f))))
            << "frame " << f;
    }
}

} // namespace
} // namespace kvtest

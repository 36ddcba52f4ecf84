// kvhost render on a shot of 100 frames of 1920 x 1080, at 8 bits (PNG) and at float (EXR), graded by the
// shipped 48-frame example project (the grade holds its last keyframe after frame 48): the whole shot in one
// kvhost run with --jobs 1 and with --jobs 2, beside every frame rendered alone by a kvhost run of its own at
// its time (what a loop in the shell does). kvhost runs as a child process and is timed from its start to its
// exit; each case runs once (a case takes tens of seconds), and its counter is frames per second.
//
// The shot is written once per depth into a folder of its own under the temporary directory, which is removed
// when the program ends. Frames are gradients that move from frame to frame with a fine grain on top, so that
// the files compress about as camera frames do rather than as flat colour.
#include <OpenImageIO/imageio.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChannels = 3;
constexpr int kFirstFrame = 1;
constexpr int kFrames = 100;
constexpr double kFramesPerSecond = 24.0; // kvhost's default: frame N at N / 24 seconds

enum class Depth { Eight, Float };

const char* depthName(Depth depth) {
    return depth == Depth::Eight ? "8-bit" : "float";
}

const char* extension(Depth depth) {
    return depth == Depth::Eight ? "png" : "exr";
}

fs::path benchFolder() {
    static const fs::path folder = fs::temp_directory_path() / ("kv_shot_bench_" + std::to_string(::getpid()));
    return folder;
}

std::string frameName(const char* stem, int frame, Depth depth) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%04d.%s", stem, frame, extension(depth));
    return name;
}

// A grain in [-0.5, 0.5) from the pixel's position, the channel and the frame (an integer hash, no state).
float grain(std::uint32_t x, std::uint32_t y, std::uint32_t channel, std::uint32_t frame) {
    std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ channel * 0xC2B2AE3Du ^ frame * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return float(h & 0xFFFFu) / 65536.0f - 0.5f;
}

// Frame `frame` in [0, 1]: red across, green down, blue along the diagonal, drifting with the frame, plus a
// grain of about four 8-bit levels.
std::vector<float> framePixels(int frame) {
    std::vector<float> pixels(std::size_t(kWidth) * kHeight * kChannels);
    const float drift = float(frame) / float(kFrames);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float across = float(x) / float(kWidth - 1);
            const float down = float(y) / float(kHeight - 1);
            const float base[kChannels] = {across, down, (across + down) * 0.5f};
            float* p = &pixels[(std::size_t(y) * kWidth + std::size_t(x)) * kChannels];
            for (int c = 0; c < kChannels; ++c) {
                float v = base[c] * 0.8f + 0.1f + 0.1f * drift + grain(std::uint32_t(x), std::uint32_t(y),
                                                                         std::uint32_t(c), std::uint32_t(frame)) /
                                                                       64.0f;
                p[c] = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
            }
        }
    }
    return pixels;
}

void writeFrame(const fs::path& path, const std::vector<float>& pixels, Depth depth) {
    auto out = OIIO::ImageOutput::create(path.string());
    if (!out) {
        throw std::runtime_error("cannot write " + path.string() + ": " + OIIO::geterror());
    }
    bool written = false;
    if (depth == Depth::Eight) {
        std::vector<std::uint8_t> bytes(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            bytes[i] = std::uint8_t(pixels[i] * 255.0f + 0.5f);
        }
        const OIIO::ImageSpec spec(kWidth, kHeight, kChannels, OIIO::TypeDesc::UINT8);
        written = out->open(path.string(), spec) && out->write_image(OIIO::TypeDesc::UINT8, bytes.data());
    } else {
        const OIIO::ImageSpec spec(kWidth, kHeight, kChannels, OIIO::TypeDesc::FLOAT);
        written = out->open(path.string(), spec) && out->write_image(OIIO::TypeDesc::FLOAT, pixels.data());
    }
    if (!out->close() || !written) {
        throw std::runtime_error("cannot write " + path.string() + ": " + out->geterror());
    }
}

// The shot at `depth`, written on first use: <folder>/<depth>/in.0001.<ext> to in.0100.<ext>.
fs::path shotFolder(Depth depth) {
    const fs::path folder = benchFolder() / depthName(depth);
    if (!fs::exists(folder / frameName("in", kFirstFrame + kFrames - 1, depth))) {
        fs::create_directories(folder);
        for (int frame = kFirstFrame; frame < kFirstFrame + kFrames; ++frame) {
            writeFrame(folder / frameName("in", frame, depth), framePixels(frame), depth);
        }
    }
    return folder;
}

// An empty output folder for one case.
fs::path freshOutput(Depth depth) {
    const fs::path folder = benchFolder() / (std::string("out-") + depthName(depth));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string readLog(const fs::path& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > 2000) {
        text.resize(2000);
    }
    return text;
}

// Runs kvhost with `arguments` (its standard output discarded, its errors kept in `log`); throws with the log
// when it cannot start or does not exit with 0.
void runKvhost(const std::vector<std::string>& arguments, const fs::path& log) {
    std::vector<std::string> words{KV_KVHOST};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, KV_KVHOST, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error(std::string("cannot start " KV_KVHOST ": ") + std::strerror(spawned));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("waiting for kvhost: ") + std::strerror(errno));
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string how = WIFEXITED(status) ? "exited with " + std::to_string(WEXITSTATUS(status))
                                                  : "was killed by signal " + std::to_string(WTERMSIG(status));
        throw std::runtime_error("kvhost " + how + ": " + readLog(log));
    }
}

std::vector<std::string> commonArguments() {
    return {"render", KV_MORROWBY};
}

std::string project() {
    return KV_EXAMPLES "/absolute-shot-48-frames.kvproj.json";
}

// Seconds as kvhost takes them, exactly frame / 24 (17 digits read back to the same double).
std::string frameTime(int frame) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", double(frame) / kFramesPerSecond);
    return text;
}

void reportFrames(benchmark::State& state, double seconds) {
    state.SetIterationTime(seconds);
    state.counters["frames/s"] = double(kFrames) / seconds;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole shot in one kvhost run with `jobs` frames at once.
void shot(benchmark::State& state, Depth depth, int jobs) {
    try {
        const fs::path input = shotFolder(depth);
        for (auto _ : state) {
            const fs::path output = freshOutput(depth);
            std::vector<std::string> arguments = commonArguments();
            arguments.insert(arguments.end(),
                             {(input / (std::string("in.####.") + extension(depth))).string(),
                              (output / (std::string("out.####.") + extension(depth))).string(), "--frames",
                              std::to_string(kFirstFrame) + "-" + std::to_string(kFirstFrame + kFrames - 1),
                              "--project", project(), "--jobs", std::to_string(jobs), "--quiet"});
            const auto start = std::chrono::steady_clock::now();
            runKvhost(arguments, benchFolder() / "kvhost.log");
            reportFrames(state, secondsSince(start));
            if (!fs::exists(output / frameName("out", kFirstFrame + kFrames - 1, depth))) {
                throw std::runtime_error("kvhost did not write the shot's last frame");
            }
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// Every frame by a kvhost run of its own, at the frame's time.
void singleFrames(benchmark::State& state, Depth depth) {
    try {
        const fs::path input = shotFolder(depth);
        for (auto _ : state) {
            const fs::path output = freshOutput(depth);
            double seconds = 0.0;
            for (int frame = kFirstFrame; frame < kFirstFrame + kFrames; ++frame) {
                std::vector<std::string> arguments = commonArguments();
                arguments.insert(arguments.end(),
                                 {(input / frameName("in", frame, depth)).string(),
                                  (output / frameName("out", frame, depth)).string(), "--project", project(),
                                  "--time", frameTime(frame), "--quiet"});
                const auto start = std::chrono::steady_clock::now();
                runKvhost(arguments, benchFolder() / "kvhost.log");
                seconds += secondsSince(start);
            }
            reportFrames(state, seconds);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void registerCases() {
    for (Depth depth : {Depth::Eight, Depth::Float}) {
        const std::string name = depthName(depth);
        for (int jobs : {1, 2}) {
            benchmark::RegisterBenchmark(("shot/" + name + "/jobs:" + std::to_string(jobs)).c_str(),
                                         [depth, jobs](benchmark::State& state) { shot(state, depth, jobs); })
                ->Iterations(1)
                ->Repetitions(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("singleFrames/" + name).c_str(),
                                     [depth](benchmark::State& state) { singleFrames(state, depth); })
            ->Iterations(1)
            ->Repetitions(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    registerCases();
    int status = 0;
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kv_shot_bench: %s\n", error.what());
        status = 1;
    }
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(benchFolder(), ignored);
    return status;
}

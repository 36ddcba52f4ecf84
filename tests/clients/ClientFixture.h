#pragma once
// Tests against the real outside programs (ffmpeg, melt, OpenColorIO's tools, dpkg), each test in a
// folder of its own. The programs come from Debian's packages (scripts/install-deps.sh); a missing one
// fails the test.
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <cstdio>

namespace kvtest {

// The test clip: 64 frames of ffmpeg's testsrc2 at 320 x 240 and 25 frames per second, with an alpha
// that varies across the frame, stored losslessly (PNG in Matroska) so that every client decodes the
// same RGBA bytes.
constexpr int kClipFrames = 64;
constexpr int kClipRate = 25;

class ClientTest : public CliTest {
protected:
    // A program run with extra environment variables ("NAME=VALUE"); KV_PLUGIN_DIR is always unset so
    // that the modules find their effect files as installed, never through the caller's environment.
    static ToolRun runWith(const std::vector<std::string>& environment, const std::string& program,
                           const std::vector<std::string>& arguments) {
        std::vector<std::string> all = {"-u", "KV_PLUGIN_DIR"};
        all.insert(all.end(), environment.begin(), environment.end());
        all.push_back(program);
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runTool("env", all);
    }

    static std::string frameName(const std::string& stem, int frame) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_%02d.png", stem.c_str(), frame + 1);
        return name;
    }

    // The clip, and its frames as RGBA PNG files src_01.png .. src_64.png.
    void makeClip() {
        const ToolRun clip =
            runWith({}, "ffmpeg",
                    {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-frames:v",
                     std::to_string(kClipFrames), "-vf",
                     "format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='255-mod(X+2*Y,192)'", "-c:v", "png",
                     path("clip.mkv")});
        ASSERT_EQ(clip.exitCode, 0) << clip.err;
        const ToolRun frames =
            runWith({}, "ffmpeg",
                    {"-v", "error", "-y", "-i", path("clip.mkv"), "-pix_fmt", "rgba", path("src_%02d.png")});
        ASSERT_EQ(frames.exitCode, 0) << frames.err;
        ASSERT_TRUE(fs::exists(at(frameName("src", kClipFrames - 1))));
    }

    // kvhost render of every source frame at its time (frame / 25 s), as ref_NN.png.
    void renderReferences(const std::string& plugin, const std::vector<std::string>& extra) {
        for (int frame = 0; frame < kClipFrames; ++frame) {
            std::vector<std::string> arguments = {"render",
                                                  plugin,
                                                  path(frameName("src", frame)),
                                                  path(frameName("ref", frame)),
                                                  "--time",
                                                  std::to_string(double(frame) / kClipRate),
                                                  "--quiet"};
            arguments.insert(arguments.end(), extra.begin(), extra.end());
            const ToolRun run = kvhost(arguments);
            ASSERT_EQ(run.exitCode, 0) << "frame " << frame << ": " << run.err;
        }
    }

    // The stored 8-bit RGBA values of two PNG files are the same, byte for byte.
    static ::testing::AssertionResult samePixels(const fs::path& a, const fs::path& b) {
        const FileImage left = readFile(a);
        const FileImage right = readFile(b);
        if (left.format != OIIO::TypeDesc::UINT8 || left.channels != 4) {
            return ::testing::AssertionFailure() << a << " is not 8-bit RGBA";
        }
        if (left.width != right.width || left.height != right.height || left.channels != right.channels ||
            left.format != right.format) {
            return ::testing::AssertionFailure() << a << " and " << b << " differ in size or layout";
        }
        for (std::size_t i = 0; i < left.values.size(); ++i) {
            if (left.values[i] != right.values[i]) {
                const std::size_t pixel = i / 4;
                return ::testing::AssertionFailure()
                       << a.filename() << " and " << b.filename() << " differ first at pixel ("
                       << pixel % std::size_t(left.width) << ", " << pixel / std::size_t(left.width)
                       << ") channel " << i % 4 << ": " << left.values[i] << " vs " << right.values[i];
            }
        }
        return ::testing::AssertionSuccess();
    }
};

} // namespace kvtest

// The frei0r modules in Debian's ffmpeg and melt: a clip graded with an animated Absolute project and with
// a Relative project and its base layer comes out, frame by frame, byte for byte as kvhost render makes
// each frame at the same time; a project that cannot be used passes the frames through with one message.
#include "tests/clients/ClientFixture.h"

namespace kvtest {
namespace {

using ::testing::HasSubstr;

class Frei0rClients : public ClientTest {
protected:
    std::vector<std::string> frei0rPath() const { return {"FREI0R_PATH=" + std::string(KV_FREI0R_DIR)}; }

    // ffmpeg's frei0r filter; its parameters are separated by "|".
    void gradeWithFfmpeg(const std::string& module, const std::string& parameters, const std::string& stem) {
        const ToolRun run =
            runWith(frei0rPath(), "ffmpeg",
                    {"-v", "error", "-y", "-i", path("clip.mkv"), "-vf",
                     "frei0r=" + module + ":" + parameters, "-pix_fmt", "rgba", path(stem + "_%02d.png")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        ffmpegMessages_ = run.err;
    }

    // melt with a profile of the clip's size and rate, one frame after the other (real_time=0), into PNG
    // frames through its avformat consumer.
    void gradeWithMelt(const std::string& module, const std::vector<std::string>& properties,
                       const std::string& stem) {
        writeText(at("profile"),
                  "description=320x240 25 fps\nframe_rate_num=25\nframe_rate_den=1\nwidth=320\n"
                  "height=240\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\n"
                  "display_aspect_num=4\ndisplay_aspect_den=3\ncolorspace=601\n");
        std::vector<std::string> arguments = {"-quiet",         "-profile", path("profile"),
                                              path("clip.mkv"), "-filter",  "frei0r." + module};
        arguments.insert(arguments.end(), properties.begin(), properties.end());
        arguments.insert(arguments.end(), {"-consumer", "avformat:" + path(stem + "_%02d.png"), "vcodec=png",
                                           "pix_fmt=rgba", "real_time=0"});
        // Debian's melt 7.12 now and then ends at once with exit 0 and no frame written, with or without
        // a filter (its consumer thread loses a race with its main loop; about one run in fifty on a busy
        // machine). Only that is run again: a run that writes any frame is judged as it is.
        ToolRun run;
        for (int attempt = 0; attempt < 3; ++attempt) {
            run = runWith(frei0rPath(), "melt", arguments);
            if (run.exitCode != 0 || fs::exists(at(frameName(stem, 0)))) {
                break;
            }
        }
        ASSERT_EQ(run.exitCode, 0) << run.err;
        meltMessages_ = run.err;
    }

    void expectFramesEqualReferences(const std::string& stem) {
        for (int frame = 0; frame < kClipFrames; ++frame) {
            ASSERT_TRUE(samePixels(at(frameName(stem, frame)), at(frameName("ref", frame))))
                << stem << " frame " << frame;
        }
        EXPECT_FALSE(fs::exists(at(frameName(stem, kClipFrames))))
            << stem << " has more frames than the clip";
    }

    std::string ffmpegMessages_;
    std::string meltMessages_;
};

TEST_F(Frei0rClients, AnAnimatedAbsoluteProjectInFfmpegAndMeltEqualsKvhostRender) {
    ASSERT_NO_FATAL_FAILURE(makeClip());
    const std::string project = std::string(KV_EXAMPLES) + "/absolute-animated.kvproj.json";
    ASSERT_NO_FATAL_FAILURE(renderReferences(KV_MORROWBY, {"--project", project}));
    // The grade animates from a flat curve at frame 0 (the source as it is) to the S-curve with a fading
    // alpha from 2.5 s on; the frames between differ from both ends.
    EXPECT_TRUE(samePixels(at(frameName("ref", 0)), at(frameName("src", 0))));
    EXPECT_FALSE(samePixels(at(frameName("ref", 32)), at(frameName("src", 32))));
    EXPECT_FALSE(samePixels(at(frameName("ref", kClipFrames - 1)), at(frameName("src", kClipFrames - 1))));

    ASSERT_NO_FATAL_FAILURE(gradeWithFfmpeg("kv-curves-absolute", project, "ffmpeg"));
    EXPECT_EQ(ffmpegMessages_, "");
    expectFramesEqualReferences("ffmpeg");

    ASSERT_NO_FATAL_FAILURE(gradeWithMelt("kv-curves-absolute", {"project=" + project}, "melt"));
    EXPECT_THAT(meltMessages_, ::testing::Not(HasSubstr("kv-curves")));
    expectFramesEqualReferences("melt");
}

TEST_F(Frei0rClients, ARelativeProjectWithABaseLayerInFfmpegAndMeltEqualsKvhostRender) {
    ASSERT_NO_FATAL_FAILURE(makeClip());
    const std::string project = std::string(KV_EXAMPLES) + "/relative-saturation-by-hue.kvproj.json";
    const std::string baseLayer = std::string(KV_EXAMPLES) + "/base-layer-8bit.png";
    ASSERT_NO_FATAL_FAILURE(
        renderReferences(KV_TARNWICK, {"--project", project, "--layer", "base layer=" + baseLayer}));
    EXPECT_FALSE(samePixels(at(frameName("ref", 0)), at(frameName("src", 0))));

    ASSERT_NO_FATAL_FAILURE(gradeWithFfmpeg("kv-curves-relative", project + "|" + baseLayer, "ffmpeg"));
    EXPECT_EQ(ffmpegMessages_, "");
    expectFramesEqualReferences("ffmpeg");

    ASSERT_NO_FATAL_FAILURE(
        gradeWithMelt("kv-curves-relative", {"project=" + project, "base layer=" + baseLayer}, "melt"));
    expectFramesEqualReferences("melt");
}

TEST_F(Frei0rClients, AMissingProjectPassesEveryFrameThroughWithOneMessage) {
    ASSERT_NO_FATAL_FAILURE(makeClip());
    ASSERT_NO_FATAL_FAILURE(gradeWithFfmpeg("kv-curves-absolute", path("missing.kvproj.json"), "ffmpeg"));
    EXPECT_EQ(ffmpegMessages_, "kv-curves-absolute: " + path("missing.kvproj.json") +
                                   ": no such file; frames pass through unchanged\n");
    ASSERT_NO_FATAL_FAILURE(
        gradeWithMelt("kv-curves-absolute", {"project=" + path("missing.kvproj.json")}, "melt"));
    const auto lines = ToolRun{0, "", meltMessages_}.errLines();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) { return line.rfind("kv-curves-absolute: ", 0) == 0; }),
        1)
        << meltMessages_;
    for (int frame = 0; frame < kClipFrames; ++frame) {
        ASSERT_TRUE(samePixels(at(frameName("ffmpeg", frame)), at(frameName("src", frame)))) << frame;
        ASSERT_TRUE(samePixels(at(frameName("melt", frame)), at(frameName("src", frame)))) << frame;
    }
}

} // namespace
} // namespace kvtest

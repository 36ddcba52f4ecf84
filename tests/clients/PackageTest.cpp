// The Debian package, as CPack makes it from this build: unpacked into a folder of the test (never
// installed on the machine), kvhost runs from there, and ffmpeg finds the frei0r modules through
// FREI0R_PATH and grades a clip as the packaged kvhost renders it.
#include "tests/clients/ClientFixture.h"

namespace kvtest {
namespace {

using ::testing::HasSubstr;

class DebianPackage : public ClientTest {
protected:
    // What the machine has of the package outside the test folder.
    static std::string machineState() {
        const ToolRun query = runTool("dpkg-query", {"-W", "-f", "${Status}", "kv-curves"});
        std::string state = "dpkg: " + std::to_string(query.exitCode) + " " + query.out + "\n";
        for (const char* file : {"/usr/bin/kvhost", "/usr/lib/frei0r-1/kv-curves-absolute.so",
                                 "/usr/lib/frei0r-1/kv-curves-relative.so", "/usr/lib/kv-curves"}) {
            state += std::string(file) + (fs::exists(file) ? " exists\n" : " absent\n");
        }
        return state;
    }

    std::string package() {
        const ToolRun cpack = runTool("cpack", {"--config", std::string(KV_BUILD_DIR) + "/CPackConfig.cmake",
                                                "-G", "DEB", "-B", path("cpack")});
        EXPECT_EQ(cpack.exitCode, 0) << cpack.out << cpack.err;
        const ToolRun architecture = runTool("dpkg", {"--print-architecture"});
        std::string arch = architecture.out.substr(0, architecture.out.find('\n'));
        return path("cpack/kv-curves_" + std::string(KV_VERSION) + "_" + arch + ".deb");
    }
};

TEST_F(DebianPackage, UnpackedItRunsAndFfmpegFindsItsModules) {
    const std::string before = machineState();
    const std::string deb = package();
    ASSERT_TRUE(fs::exists(deb)) << deb;

    const ToolRun fields = runTool("dpkg-deb", {"-f", deb, "Package", "Version", "Depends", "Suggests"});
    ASSERT_EQ(fields.exitCode, 0) << fields.err;
    EXPECT_THAT(fields.out, HasSubstr("Package: kv-curves\n"));
    EXPECT_THAT(fields.out, HasSubstr("Version: " + std::string(KV_VERSION) + "\n"));
    // What the binaries link, as dpkg-shlibdeps finds it.
    EXPECT_THAT(fields.out, HasSubstr("libopenimageio"));
    EXPECT_THAT(fields.out, HasSubstr("libstdc++6"));
    EXPECT_THAT(fields.out, HasSubstr("Suggests: ffmpeg, melt, opencolorio-tools"));

    ASSERT_EQ(runTool("dpkg", {"-x", deb, path("root")}).exitCode, 0);
    const std::string usr = path("root/usr");
    for (const char* file : {"bin/kvhost", "lib/kv-curves/morrowby.so", "lib/kv-curves/tarnwick.so",
                             "lib/frei0r-1/kv-curves-absolute.so", "lib/frei0r-1/kv-curves-relative.so",
                             "share/man/man1/kvhost.1.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(usr + "/" + file)) << file;
    }

    // The packaged kvhost reads the packaged effect files (stripped, with their registration records).
    const std::string kvhostFile = usr + "/bin/kvhost";
    const ToolRun info = runTool(kvhostFile, {"info", usr + "/lib/kv-curves/morrowby.so"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("KV Curves - Absolute"));
    const ToolRun help = runTool(kvhostFile, {"lut", "--help"});
    EXPECT_EQ(help.exitCode, 0);

    // The man page reads without a warning.
    const ToolRun man = runTool("bash", {"-c", "zcat " + quoted(usr + "/share/man/man1/kvhost.1.gz") +
                                                   " | groff -man -Tutf8 -ww -z"});
    EXPECT_EQ(man.exitCode, 0);
    EXPECT_EQ(man.err, "");

    // ffmpeg finds the module through FREI0R_PATH, and the module its effect file in ../kv-curves.
    ASSERT_NO_FATAL_FAILURE(makeClip());
    const std::string project = std::string(KV_EXAMPLES) + "/absolute-animated.kvproj.json";
    const ToolRun graded =
        runWith({"FREI0R_PATH=" + usr + "/lib/frei0r-1"}, "ffmpeg",
                {"-v", "error", "-y", "-i", path("clip.mkv"), "-frames:v", "40", "-vf",
                 "frei0r=kv-curves-absolute:" + project, "-pix_fmt", "rgba", path("graded_%02d.png")});
    ASSERT_EQ(graded.exitCode, 0) << graded.err;
    EXPECT_EQ(graded.err, "");
    // Frame 0 is the project's first keyframe, a flat curve; frame 39 lies well into the grade.
    for (const int frame : {0, 39}) {
        const ToolRun render =
            runTool(kvhostFile, {"render", usr + "/lib/kv-curves/morrowby.so", path(frameName("src", frame)),
                                 path(frameName("ref", frame)), "--project", project, "--time",
                                 std::to_string(double(frame) / kClipRate), "--quiet"});
        ASSERT_EQ(render.exitCode, 0) << render.err;
        EXPECT_TRUE(samePixels(at(frameName("graded", frame)), at(frameName("ref", frame)))) << frame;
    }
    EXPECT_FALSE(samePixels(at(frameName("graded", 39)), at(frameName("src", 39))));

    EXPECT_EQ(machineState(), before);
}

} // namespace
} // namespace kvtest

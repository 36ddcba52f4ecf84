// The module files as a frei0r client loads them: what they declare, a frame graded through the effect at
// the frame's time, and settings that cannot be used, which give the frame back unchanged with one message.
#include "tests/cli/CliFixture.h"

extern "C" {
#include <frei0r.h>
}

#include <gmock/gmock.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <cmath>
#include <cstring>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

// The entry points of one module file, loaded as ffmpeg and MLT load them.
struct Module {
    explicit Module(const std::string& path) {
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        if (!library) {
            return;
        }
        load(init, "f0r_init");
        load(deinit, "f0r_deinit");
        load(pluginInfo, "f0r_get_plugin_info");
        load(paramInfo, "f0r_get_param_info");
        load(construct, "f0r_construct");
        load(destruct, "f0r_destruct");
        load(setParam, "f0r_set_param_value");
        load(getParam, "f0r_get_param_value");
        load(update, "f0r_update");
        EXPECT_EQ(init(), 1);
    }
    ~Module() {
        if (library) {
            deinit();
            dlclose(library);
        }
    }
    template <typename Function>
    void load(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(library, name));
        ASSERT_NE(function, nullptr) << name;
    }
    void setString(f0r_instance_t instance, int index, const std::string& value) {
        const char* text = value.c_str();
        setParam(instance, const_cast<char**>(&text), index);
    }
    void setDouble(f0r_instance_t instance, int index, double value) { setParam(instance, &value, index); }

    void* library = nullptr;
    int (*init)() = nullptr;
    void (*deinit)() = nullptr;
    void (*pluginInfo)(f0r_plugin_info_t*) = nullptr;
    void (*paramInfo)(f0r_param_info_t*, int) = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*setParam)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*getParam)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*) = nullptr;
};

// Four by two pixels, every channel of every pixel different, red = 10 x (pixel + 1).
constexpr int kWidth = 4;
constexpr int kHeight = 2;

std::vector<std::uint8_t> sourceBytes() {
    std::vector<std::uint8_t> bytes;
    for (int p = 0; p < kWidth * kHeight; ++p) {
        bytes.insert(bytes.end(), {std::uint8_t(10 * (p + 1)), std::uint8_t(200 - 3 * p),
                                   std::uint8_t(7 * p + 1), std::uint8_t(255 - 20 * p)});
    }
    return bytes;
}

std::vector<std::uint8_t> run(Module& module, f0r_instance_t instance, double time) {
    const std::vector<std::uint8_t> in = sourceBytes();
    std::vector<std::uint32_t> inFrame(in.size() / 4);
    std::memcpy(inFrame.data(), in.data(), in.size());
    std::vector<std::uint32_t> outFrame(inFrame.size(), 0x5A5A5A5Au);
    module.update(instance, time, inFrame.data(), outFrame.data());
    std::vector<std::uint8_t> out(in.size());
    std::memcpy(out.data(), outFrame.data(), out.size());
    return out;
}

// What a red curve y = k x makes of the source: red rounded to the nearest step, the rest as it was.
std::vector<std::uint8_t> redTimes(double k) {
    std::vector<std::uint8_t> bytes = sourceBytes();
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        bytes[i] = std::uint8_t(std::floor(k * bytes[i] + 0.5));
    }
    return bytes;
}

class ModuleTest : public CliTest {
protected:
    // A project of the Absolute effect whose red curve is a straight line from 0 to `top`, or animated
    // between two such lines.
    std::string redProject(const std::string& name, double top) {
        writeText(at(name), "{\"matchName\": \"TQKV Absolute Curves\", \"parameters\": {\"curve\": " +
                                jsonText(curveSetText({{"red", straightCurve(0.0, top)}})) + "}}");
        return path(name);
    }
    std::string animatedRedProject(const std::string& name, double atZero, double atTwo) {
        writeText(at(name),
                  "{\"matchName\": \"TQKV Absolute Curves\", \"parameters\": {\"curve\": {\"keyframes\": ["
                  "{\"time\": 0, \"value\": " +
                      jsonText(curveSetText({{"red", straightCurve(0.0, atZero)}})) +
                      "}, {\"time\": 2, \"value\": " +
                      jsonText(curveSetText({{"red", straightCurve(0.0, atTwo)}})) + "}]}}}");
        return path(name);
    }
    static std::string jsonText(const std::string& text) {
        std::string quoted = "\"";
        for (const char c : text) {
            quoted += c == '\n' ? std::string("\\n") : std::string(1, c);
        }
        return quoted + "\"";
    }
};

TEST_F(ModuleTest, EachModuleIsAnRgbaFilterWithItsEffectsParameters) {
    for (const char* path : {KV_FREI0R_ABSOLUTE, KV_FREI0R_RELATIVE}) {
        Module module(path);
        ASSERT_NE(module.library, nullptr);
        f0r_plugin_info_t info{};
        module.pluginInfo(&info);
        const bool relative = std::string(path).find("relative") != std::string::npos;
        EXPECT_STREQ(info.name, relative ? "KV Curves - Relative" : "KV Curves - Absolute");
        EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
        EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
        EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
        std::vector<std::pair<std::string, int>> params;
        for (int i = 0; i < info.num_params; ++i) {
            f0r_param_info_t param{};
            module.paramInfo(&param, i);
            params.emplace_back(param.name, param.type);
        }
        using Params = std::vector<std::pair<std::string, int>>;
        const Params expected = relative
                                    ? Params{{"project", F0R_PARAM_STRING},
                                             {"base layer", F0R_PARAM_STRING},
                                             {"frame rate", F0R_PARAM_DOUBLE}}
                                    : Params{{"project", F0R_PARAM_STRING}, {"frame rate", F0R_PARAM_DOUBLE}};
        EXPECT_EQ(params, expected);
    }
}

TEST_F(ModuleTest, AFrameIsGradedThroughTheEffectChannelByChannel) {
    Module module(KV_FREI0R_ABSOLUTE);
    ASSERT_NE(module.library, nullptr);
    f0r_instance_t instance = module.construct(kWidth, kHeight);
    ASSERT_NE(instance, nullptr);
    module.setString(instance, 0, redProject("red.json", 0.6));
    ::testing::internal::CaptureStderr();
    // Red alone changes: a swapped channel would change green, blue or alpha instead.
    EXPECT_EQ(run(module, instance, 0.0), redTimes(0.6));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    // The settings read back as they were given.
    char* project = nullptr;
    module.getParam(instance, &project, 0);
    EXPECT_STREQ(project, path("red.json").c_str());
    double frameRate = -1;
    module.getParam(instance, &frameRate, 1);
    EXPECT_EQ(frameRate, 0.0);
    module.destruct(instance);
}

TEST_F(ModuleTest, KeyframesFollowTheFramesTimeInSecondsOrFrames) {
    Module module(KV_FREI0R_ABSOLUTE);
    ASSERT_NE(module.library, nullptr);
    f0r_instance_t instance = module.construct(kWidth, kHeight);
    module.setString(instance, 0, animatedRedProject("animated.json", 0.6, 0.2));
    EXPECT_EQ(run(module, instance, 0.0), redTimes(0.6));
    EXPECT_EQ(run(module, instance, 1.0), redTimes(0.4)); // halfway in seconds
    EXPECT_EQ(run(module, instance, 5.0), redTimes(0.2));
    module.setDouble(instance, 1, 25.0); // the client counts frames at 25 per second
    EXPECT_EQ(run(module, instance, 25.0), redTimes(0.4));
    module.destruct(instance);
}

struct BadSetting {
    const char* name;
    bool relative;
    const char* project; // in the test folder; "" for none
    const char* baseLayer;
    const char* message;
};

void PrintTo(const BadSetting& bad, std::ostream* out) { *out << bad.name; }

class ModuleBadSetting : public ModuleTest, public ::testing::WithParamInterface<BadSetting> {};

TEST_P(ModuleBadSetting, FramesPassThroughUnchangedWithOneMessage) {
    const BadSetting& bad = GetParam();
    writeText(at("relative.json"), "{\"matchName\": \"TQKV Relative Curves\"}");
    writeText(at("not-an-image.png"), "no picture here");
    redProject("absolute.json", 0.6);
    Module module(bad.relative ? KV_FREI0R_RELATIVE : KV_FREI0R_ABSOLUTE);
    ASSERT_NE(module.library, nullptr);
    f0r_instance_t instance = module.construct(kWidth, kHeight);
    module.setString(instance, 0, *bad.project ? path(bad.project) : "");
    if (bad.relative) {
        module.setString(instance, 1, path(bad.baseLayer));
    }
    ::testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame) {
        // MLT sets every parameter before every frame; the same values change nothing.
        module.setString(instance, 0, *bad.project ? path(bad.project) : "");
        EXPECT_EQ(run(module, instance, frame / 25.0), sourceBytes()) << "frame " << frame;
    }
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_THAT(messages, HasSubstr(bad.message));
    EXPECT_THAT(messages, HasSubstr("frames pass through unchanged"));
    module.destruct(instance);
}

INSTANTIATE_TEST_SUITE_P(
    ModuleTest, ModuleBadSetting,
    ::testing::Values(
        BadSetting{"MissingProject", false, "missing.json", "", "missing.json: no such file"},
        BadSetting{"NoProject", false, "", "", "no \"project\" given"},
        BadSetting{"ProjectOfTheOtherEffect", false, "relative.json", "",
                   "made for \"TQKV Relative Curves\", not for \"TQKV Absolute Curves\""},
        BadSetting{"UnreadableBaseLayer", true, "relative.json", "not-an-image.png", "not-an-image.png"},
        BadSetting{"MissingBaseLayer", true, "relative.json", "nowhere.png", "nowhere.png"}),
    [](const ::testing::TestParamInfo<BadSetting>& info) { return std::string(info.param.name); });

TEST_F(ModuleTest, AnEffectFileInNoFolderPassesFramesThroughAndANewSettingIsTriedAgain) {
    // The module alone in a folder, without its effect file beside it or in ../kv-curves.
    fs::create_directories(at("lonely/frei0r-1"));
    fs::copy_file(KV_FREI0R_ABSOLUTE, at("lonely/frei0r-1/kv-curves-absolute.so"));
    const char* saved = std::getenv("KV_PLUGIN_DIR");
    const std::string savedValue = saved ? saved : "";
    ::unsetenv("KV_PLUGIN_DIR");
    {
        Module module(path("lonely/frei0r-1/kv-curves-absolute.so"));
        ASSERT_NE(module.library, nullptr);
        f0r_instance_t instance = module.construct(kWidth, kHeight);
        module.setString(instance, 0, redProject("red.json", 0.6));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run(module, instance, 0.0), sourceBytes());
        EXPECT_EQ(run(module, instance, 0.04), sourceBytes());
        const std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        EXPECT_THAT(messages,
                    HasSubstr("the effect file morrowby.so is in none of " + path("lonely/frei0r-1")));

        // KV_PLUGIN_DIR names the folder; a changed setting sets the effect up again.
        ::setenv("KV_PLUGIN_DIR", fs::path(KV_MORROWBY).parent_path().c_str(), 1);
        module.setString(instance, 0, redProject("red-too.json", 0.6));
        EXPECT_EQ(run(module, instance, 0.08), redTimes(0.6));
        module.destruct(instance);
    }
    if (saved) {
        ::setenv("KV_PLUGIN_DIR", savedValue.c_str(), 1);
    } else {
        ::unsetenv("KV_PLUGIN_DIR");
    }
}

} // namespace
} // namespace kvtest

#pragma once
// Runs kvhost on small image files that the tests write, each test in a folder of its own.
#include "tests/host/KvhostRun.h"

#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace kvtest {

namespace fs = std::filesystem;

// A small picture, different for each seed.
inline std::vector<std::uint8_t> noise(int width, int height, int seed) {
    std::vector<std::uint8_t> rgb(std::size_t(width * height * 3));
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = std::uint8_t((i * 7919 + std::size_t(seed) * 104729) % 256);
    }
    return rgb;
}

// kvhost started without waiting for it, its standard error (and standard output, when a file is given)
// going to files; its process id, or -1 when it cannot start.
inline pid_t startKvhost(const std::vector<std::string>& arguments, const fs::path& errFile,
                         const fs::path& outFile = {}) {
    std::vector<std::string> all = {KV_KVHOST};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, KV_KVHOST, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// An image file's samples as the file stores them, converted to float only when asked.
struct FileImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    OIIO::TypeDesc format;
    std::vector<std::uint32_t> values; // integer formats: the stored values
    std::vector<float> floats;         // every format: as float (integers scaled to 0..1)
};

inline FileImage readFile(const fs::path& path) {
    FileImage image;
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path.string(), &config);
    EXPECT_TRUE(in) << path << ": " << OIIO::geterror();
    if (!in) {
        return image;
    }
    const OIIO::ImageSpec& spec = in->spec();
    image.width = spec.width;
    image.height = spec.height;
    image.channels = spec.nchannels;
    image.format = spec.format;
    const std::size_t count =
        std::size_t(spec.width) * std::size_t(spec.height) * std::size_t(spec.nchannels);
    image.values.resize(count);
    image.floats.resize(count);
    EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, OIIO::TypeDesc::FLOAT, image.floats.data()));
    if (spec.format == OIIO::TypeDesc::UINT16) {
        std::vector<std::uint16_t> raw(count);
        EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, OIIO::TypeDesc::UINT16, raw.data()));
        image.values.assign(raw.begin(), raw.end());
    } else if (spec.format == OIIO::TypeDesc::UINT8) {
        std::vector<std::uint8_t> raw(count);
        EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, OIIO::TypeDesc::UINT8, raw.data()));
        image.values.assign(raw.begin(), raw.end());
    }
    return image;
}

template <typename Sample>
void writeFile(const fs::path& path, int width, int height, int channels, OIIO::TypeDesc type,
               const std::vector<Sample>& samples) {
    ASSERT_EQ(samples.size(), std::size_t(width) * std::size_t(height) * std::size_t(channels));
    OIIO::ImageSpec spec(width, height, channels, type);
    spec.attribute("oiio:UnassociatedAlpha", 1);
    auto out = OIIO::ImageOutput::create(path.string());
    ASSERT_TRUE(out) << path;
    ASSERT_TRUE(out->open(path.string(), spec)) << out->geterror();
    ASSERT_TRUE(out->write_image(OIIO::BaseTypeFromC<Sample>::value, samples.data())) << out->geterror();
    ASSERT_TRUE(out->close());
}

inline void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A curve set text with the given curves ("rgb" and its curve text), lengths counted here.
inline std::string curveSetText(const std::vector<std::pair<std::string, std::string>>& curves) {
    std::string text = "version 0\n";
    for (const auto& [name, curve] : curves) {
        text += "curve_" + name + " " + std::to_string(curve.size()) + "\n" + curve;
    }
    return text;
}

// A non-looping curve through two nodes with linear handles: a straight line.
inline std::string straightCurve(double y0, double y1) {
    const double third = 1.0 / 3.0;
    const double rise = (y1 - y0) / 3.0;
    auto point = [&](double x, double y) {
        return "point " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(third) + " " +
               std::to_string(-rise) + " " + std::to_string(third) + " " + std::to_string(rise) + " 0 0 0\n";
    };
    return "version 0\nloop 0\n" + point(0.0, y0) + point(1.0, y1);
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        std::replace(name.begin(), name.end(), '/', '_'); // parameterised tests: "Suite/Test/Row"
        folder_ = fs::temp_directory_path() / ("kvcli_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path at(const std::string& name) const { return folder_ / name; }
    std::string path(const std::string& name) const { return at(name).string(); }

    ToolRun kvhost(const std::vector<std::string>& arguments) const { return runTool(KV_KVHOST, arguments); }

    // The names in the test folder: a failed command must leave nothing of its own behind.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // An 8-bit RGBA picture of a few distinct pixels.
    std::string smallPng(const std::string& name) const {
        const std::vector<std::uint8_t> rgba = {0,  0,  0,  255, 100, 150, 200, 255, 255, 255, 255, 128,
                                                10, 20, 30, 0,   200, 100, 0,   255, 60,  60,  60,  255};
        writeFile(at(name), 3, 2, 4, OIIO::TypeDesc::UINT8, rgba);
        return path(name);
    }

    fs::path folder_;
};

} // namespace kvtest

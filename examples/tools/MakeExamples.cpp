// Writes the shipped example images, curve sets and projects: a colour chart, smooth gradients at 8-bit,
// 16-bit and float, a base layer of another size, curve sets that show each effect, and projects for
// the frei0r modules (one animated).
//   kv_make_examples OUTPUT_FOLDER

#include "curves/Curve.h"
#include "curves/CurveSet.h"
#include "curves/CurveText.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imageio.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using korvane::Curve;

struct Rgb {
    double r, g, b;
};

// A fully saturated colour of hue h in turns (0 red, 1/3 green, 2/3 blue).
Rgb hueColour(double h) {
    auto channel = [h](double offset) {
        double t = std::fmod(h + offset, 1.0) * 6.0;
        return std::clamp(std::abs(t - 3.0) - 1.0, 0.0, 1.0);
    };
    return {channel(0.0), channel(2.0 / 3.0), channel(1.0 / 3.0)};
}

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void write(const fs::path& path, int width, int height, OIIO::TypeDesc type,
           const std::vector<float>& rgba) {
    OIIO::ImageSpec spec(width, height, 4, type);
    spec.attribute("oiio:ColorSpace", "sRGB");
    auto out = OIIO::ImageOutput::create(path.string());
    if (!out || !out->open(path.string(), spec) || !out->write_image(OIIO::TypeDesc::FLOAT, rgba.data()) ||
        !out->close()) {
        throw std::runtime_error("cannot write " + path.string() + ": " + OIIO::geterror());
    }
    std::cout << "wrote " << path.string() << "\n";
}

// 24 patches in six columns, framed in dark grey.
void writeColourChart(const fs::path& folder) {
    static constexpr std::array<std::array<int, 3>, 24> kPatches{{
        {115, 82, 68},   {194, 150, 130}, {98, 122, 157},  {87, 108, 67},   {133, 128, 177}, {103, 189, 170},
        {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},   {157, 188, 64},  {224, 163, 46},
        {56, 61, 150},   {70, 148, 73},   {175, 54, 60},   {231, 199, 31},  {187, 86, 149},  {8, 133, 161},
        {243, 243, 242}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},    {52, 52, 52},
    }};
    constexpr int width = 640, height = 432, border = 16, patch = 96, gap = 8;
    std::vector<float> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float* p = &rgba[(std::size_t(y) * width + x) * 4];
            std::array<int, 3> c{30, 30, 32};
            int px = x - border, py = y - border;
            if (px >= 0 && py >= 0 && px % (patch + gap) < patch && py % (patch + gap) < patch) {
                int column = px / (patch + gap), row = py / (patch + gap);
                if (column < 6 && row < 4)
                    c = kPatches[std::size_t(row * 6 + column)];
            }
            p[0] = float(c[0] / 255.0);
            p[1] = float(c[1] / 255.0);
            p[2] = float(c[2] / 255.0);
            p[3] = 1.0f;
        }
    }
    write(folder / "colour-chart-8bit.png", width, height, OIIO::TypeDesc::UINT8, rgba);
}

// Top half: the hue circle left to right, fading to grey downwards; then a grey ramp; then red, green
// and blue ramps. `peak` above 1 makes the float version reach beyond white.
std::vector<float> gradients(int width, int height, double peak) {
    std::vector<float> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = double(x) / (width - 1);
            double v = double(y) / (height - 1);
            Rgb c;
            if (v < 0.5) {
                Rgb hue = hueColour(u);
                c = mix(hue, Rgb{0.5, 0.5, 0.5}, v * 2.0);
            } else if (v < 0.625) {
                c = {u, u, u};
            } else if (v < 0.75) {
                c = {u, 0, 0};
            } else if (v < 0.875) {
                c = {0, u, 0};
            } else {
                c = {0, 0, u};
            }
            float* p = &rgba[(std::size_t(y) * width + x) * 4];
            p[0] = float(c.r * peak);
            p[1] = float(c.g * peak);
            p[2] = float(c.b * peak);
            p[3] = 1.0f;
        }
    }
    return rgba;
}

// A base layer of another size than the images: bright in the middle, dark at the edges.
void writeBaseLayer(const fs::path& folder) {
    constexpr int width = 800, height = 300;
    std::vector<float> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double dx = (x - width / 2.0) / (width / 2.0), dy = (y - height / 2.0) / (height / 2.0);
            double b = std::clamp(1.0 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
            float* p = &rgba[(std::size_t(y) * width + x) * 4];
            p[0] = p[1] = p[2] = float(b);
            p[3] = 1.0f;
        }
    }
    write(folder / "base-layer-8bit.png", width, height, OIIO::TypeDesc::UINT8, rgba);
}

// Replaces a curve's nodes by the given points (automatic smooth handles).
void setPoints(Curve& curve, double neutralSlope, std::initializer_list<std::pair<double, double>> points) {
    korvane::resetCurve(curve, neutralSlope);
    for (auto& node : curve.nodes)
        node.active = 0;
    int slot = 0;
    for (auto [x, y] : points) {
        curve.nodes[std::size_t(slot)].x = x;
        curve.nodes[std::size_t(slot)].y = y;
        curve.nodes[std::size_t(slot)].active = 1;
        ++slot;
    }
    korvane::recomputeHandles(curve, neutralSlope);
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
    std::cout << "wrote " << path.string() << "\n";
}

void writeCurveSets(const fs::path& folder) {
    using korvane::AbsoluteCurveSet;
    using korvane::RelativeCurveSet;
    constexpr int kAbsSaturation = 1, kAbsHue = 2, kAbsRgb = 3;

    AbsoluteCurveSet sCurve;
    korvane::resetCurveSet(sCurve);
    setPoints(sCurve.curves[kAbsRgb], 1.0, {{0.0, 0.0}, {0.25, 0.16}, {0.75, 0.86}, {1.0, 1.0}});
    writeText(folder / "absolute-s-curve.txt", korvane::writeCurveSet(sCurve));

    AbsoluteCurveSet saturation;
    korvane::resetCurveSet(saturation);
    setPoints(saturation.curves[kAbsSaturation], 1.0, {{0.0, 0.0}, {0.4, 0.65}, {1.0, 1.0}});
    writeText(folder / "absolute-saturation-boost.txt", korvane::writeCurveSet(saturation));

    AbsoluteCurveSet hueShift;
    korvane::resetCurveSet(hueShift);
    setPoints(hueShift.curves[kAbsHue], 1.0, {{0.5, 0.6}});
    writeText(folder / "absolute-hue-shift.txt", korvane::writeCurveSet(hueShift));

    // Relative: saturation changed by hue (reds up, blues down), added to the saturation.
    constexpr int kRelSaturation = 1, kRelPostBlur = 7, kBrightness = 0, kHue = 2;
    RelativeCurveSet saturationByHue;
    korvane::resetCurveSet(saturationByHue);
    saturationByHue.basedOn[kRelSaturation] = kHue;
    saturationByHue.changeBy[kRelSaturation] = 1;
    saturationByHue.changeFactor[kRelSaturation] = 1.0;
    saturationByHue.curves[kRelSaturation].loop = 1;
    setPoints(saturationByHue.curves[kRelSaturation], 0.0, {{0.17, 0.35}, {0.5, -0.4}, {0.83, 0.0}});
    writeText(folder / "relative-saturation-by-hue.txt", korvane::writeCurveSet(saturationByHue));

    // Relative: a post blur driven by brightness: the shadows soften, the highlights stay sharp.
    RelativeCurveSet blurByBrightness;
    korvane::resetCurveSet(blurByBrightness);
    blurByBrightness.basedOn[kRelPostBlur] = kBrightness;
    blurByBrightness.changeFactor[kRelPostBlur] = 8.0;
    setPoints(blurByBrightness.curves[kRelPostBlur], 0.0, {{0.0, 1.0}, {0.5, 0.3}, {1.0, 0.0}});
    writeText(folder / "relative-postblur-by-brightness.txt", korvane::writeCurveSet(blurByBrightness));

    // Projects as kvhost reads them: the match name and the "curve" value, the rest at its defaults.
    // The animated one goes from a flat rgb curve at 0 s to the S-curve with bluer shadows and a fading
    // alpha at 2.5 s; its rgb curve has four nodes at both keyframes, so every frame between is a blend.
    AbsoluteCurveSet flat;
    korvane::resetCurveSet(flat);
    setPoints(flat.curves[kAbsRgb], 1.0, {{0.0, 0.0}, {0.25, 0.25}, {0.75, 0.75}, {1.0, 1.0}});
    AbsoluteCurveSet graded = sCurve;
    constexpr int kAbsBlue = 6, kAbsAlpha = 7;
    setPoints(graded.curves[kAbsBlue], 1.0, {{0.0, 0.08}, {1.0, 0.9}});
    setPoints(graded.curves[kAbsAlpha], 1.0, {{0.0, 0.0}, {1.0, 0.7}});
    const nlohmann::json animated{{"matchName", "TQKV Absolute Curves"},
                                  {"parameters",
                                   {{"curve",
                                     {{"keyframes",
                                       {{{"time", 0.0}, {"value", korvane::writeCurveSet(flat)}},
                                        {{"time", 2.5}, {"value", korvane::writeCurveSet(graded)}}}}}}}}};
    writeText(folder / "absolute-animated.kvproj.json", animated.dump(2) + "\n");
    // A shot of 48 frames at 24 frames per second (frame N at N / 24 s): flat at frame 1, the S-curve at
    // frame 24, the S-curve with bluer shadows at frame 48; every frame between is a blend of its two.
    AbsoluteCurveSet cooled = sCurve;
    setPoints(cooled.curves[kAbsBlue], 1.0, {{0.0, 0.1}, {1.0, 0.92}});
    const nlohmann::json shot{{"matchName", "TQKV Absolute Curves"},
                              {"parameters",
                               {{"curve",
                                 {{"keyframes",
                                   {{{"time", 1.0 / 24.0}, {"value", korvane::writeCurveSet(flat)}},
                                    {{"time", 1.0}, {"value", korvane::writeCurveSet(sCurve)}},
                                    {{"time", 2.0}, {"value", korvane::writeCurveSet(cooled)}}}}}}}}};
    writeText(folder / "absolute-shot-48-frames.kvproj.json", shot.dump(2) + "\n");
    const nlohmann::json byHue{{"matchName", "TQKV Relative Curves"},
                               {"parameters", {{"curve", korvane::writeCurveSet(saturationByHue)}}}};
    writeText(folder / "relative-saturation-by-hue.kvproj.json", byHue.dump(2) + "\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cerr << "usage: kv_make_examples OUTPUT_FOLDER\n"
                     "Writes the example images and curve sets into OUTPUT_FOLDER.\n";
        return argc == 2 ? 0 : 2;
    }
    try {
        fs::path folder(argv[1]);
        fs::create_directories(folder);
        writeColourChart(folder);
        write(folder / "gradients-16bit.png", 1024, 512, OIIO::TypeDesc::UINT16, gradients(1024, 512, 1.0));
        write(folder / "gradients-float.exr", 1024, 512, OIIO::TypeDesc::FLOAT, gradients(1024, 512, 1.5));
        writeBaseLayer(folder);
        writeCurveSets(folder);
    } catch (const std::exception& e) {
        std::cerr << "kv_make_examples: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

// The integer depths' render with colour curves and no input histogram (channel steps read through one map
// per channel) against the pixel-by-pixel render (an input histogram shown), store for store: random pixels,
// every value of every channel, greys, black and white, 16-bit values above white, and pixels whose hue lies
// on or next to a hue table entry's boundary.
#include "absolute/CurveSteps.h"
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace korvane::testing {
namespace {

// Every curve bent; a hue curve that leaves 0..1 somewhere, so that turns wrap.
FilterSettings allEight() {
    FilterSettings settings;
    auto& curves = settings.curves.curves;
    curves[kChannelRgb] = makeCurve({{0.0, 0.02}, {0.3, 0.2}, {0.7, 0.85}, {1.0, 0.97}});
    curves[kChannelRed] = makeCurve({{0.0, 0.1}, {0.6, 0.4}, {1.0, 0.95}});
    curves[kChannelGreen] = makeCurve({{0.0, 0.0}, {0.4, 0.6}, {1.0, 1.0}});
    curves[kChannelBlue] = makeCurve({{0.0, 0.9}, {1.0, 0.05}});
    curves[kChannelAlpha] = makeCurve({{0.0, 0.0}, {0.5, 0.2}, {1.0, 0.7}});
    curves[kChannelBrightness] = makeCurve({{0.0, 0.02}, {0.5, 0.55}, {1.0, 0.97}});
    curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {0.4, 0.5}, {1.0, 0.9}});
    curves[kChannelHue] = makeCurve({{0.2, 0.35}, {0.7, 1.1}}, HandleMode::Smooth, true);
    return settings;
}

// Only the colour curves: channel values reach the hue step as the whole numbers they were stored as.
FilterSettings colourOnly() {
    FilterSettings settings = allEight();
    for (const std::int32_t channel : {kChannelRgb, kChannelRed, kChannelGreen, kChannelBlue, kChannelAlpha}) {
        settings.curves.curves[std::size_t(channel)] = defaultCurves().curves[std::size_t(channel)];
    }
    return settings;
}

// The hue table's scaled hue of a colour of whole channel values, as the hue step works it out.
template <class Pixel>
double scaledHue(double r, double g, double b) {
    double x = kHueX * r - kHueX * g;
    double y = kHueYRedGreen * (r + g) - kHueYBlue * b;
    const double c = std::sqrt(x * x + y * y);
    if (c == 0.0) {
        return -1.0;
    }
    return std::min(absolute::hueTurns(x / c, y / c), 1.0) * Pixel::kMax;
}

template <class Pixel>
class PixelSet {
public:
    void add(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
        using Value = typename Pixel::Value;
        Pixel p;
        p.red() = Value(r);
        p.green() = Value(g);
        p.blue() = Value(b);
        p.alpha() = Value(a);
        pixels_.push_back(p);
    }
    TestImage<Pixel> image() const {
        // Odd widths, so that runs end part-way through the lanes.
        constexpr std::int32_t kWidth = 997;
        const auto height = std::int32_t((pixels_.size() + kWidth - 1) / kWidth);
        TestImage<Pixel> image(kWidth, height);
        for (std::size_t i = 0; i < image.pixelCount(); ++i) {
            image.atIndex(i) = pixels_[i % pixels_.size()];
        }
        return image;
    }

private:
    std::vector<Pixel> pixels_;
};

// Random colours, every value in every channel (each channel in another order), greys, black, white, the
// largest stored value, and colours whose scaled hue lies within 1e-4 of a whole number (an entry boundary)
// or exactly on one.
template <class Pixel>
TestImage<Pixel> adversarialImage() {
    const auto max = std::uint32_t(Pixel::kMaxValue);
    const std::uint32_t top = std::numeric_limits<typename Pixel::Value>::max();
    PixelSet<Pixel> set;
    std::mt19937 rng(29);
    std::uniform_int_distribution<std::uint32_t> any(0, top);
    std::uniform_int_distribution<std::uint32_t> inRange(0, max);
    for (int i = 0; i < 60000; ++i) {
        set.add(inRange(rng), inRange(rng), inRange(rng), any(rng));
        if (i % 8 == 0) {
            set.add(any(rng), any(rng), any(rng), any(rng));
        }
    }
    for (std::uint32_t v = 0; v <= std::min(max + 1, top); ++v) {
        set.add(v, max - std::min(v, max), (v * 7 + 3) % (max + 1), v);
        set.add(v, v, v, max); // grey
    }
    for (const std::uint32_t a : {0u, 1u, max - 1, max, std::min(max + 1, top), top}) {
        for (const std::uint32_t b : {0u, 1u, max / 2, max, std::min(max + 1, top), top}) {
            set.add(a, b, 0, a);
            set.add(a, b, max, b);
            set.add(a, 0, b, max);
            set.add(0, a, b, 0);
        }
    }
    std::int32_t onBoundaries = 0;
    const std::uint32_t step = max / 255 + (max > 255 ? 37 : 0);
    for (std::uint32_t r = 0; r <= max; r += step) {
        for (std::uint32_t g = 0; g <= max; g += step) {
            for (std::uint32_t b = 0; b <= max; b += step * 5 + 2) {
                const double h = scaledHue<Pixel>(r, g, b);
                if (h >= 0.0 && std::abs(h - std::round(h)) < 1e-4) {
                    set.add(r, g, b, max);
                    ++onBoundaries;
                }
            }
        }
    }
    EXPECT_GT(onBoundaries, 20) << "too few colours near hue entry boundaries";
    return set.image();
}

template <class Pixel>
void expectMapsMatchPixelwise(const FilterSettings& settings) {
    TestImage<Pixel> input = adversarialImage<Pixel>();
    FilterSettings fast = settings;
    fast.histogramMode = 0;
    FilterSettings plain = settings;
    plain.histogramMode = 1; // an input histogram: the channel steps run value by value
    plain.histogramChannel = kChannelHue;
    for (const std::int32_t threads : {1, 2}) {
        fast.threads = plain.threads = threads;
        const auto byMaps = runFilter(input, fast);
        const auto byPixels = runFilter(input, plain);
        ASSERT_EQ(byMaps.status, 0);
        ASSERT_EQ(byPixels.status, 0);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < input.pixelCount(); ++i) {
            for (int c = 0; c < 4; ++c) {
                if (byMaps.output.atIndex(i).channel[c] != byPixels.output.atIndex(i).channel[c] &&
                    differing++ < 5) {
                    ADD_FAILURE() << "pixel " << i << " channel " << c << ": "
                                  << double(byMaps.output.atIndex(i).channel[c]) << " against "
                                  << double(byPixels.output.atIndex(i).channel[c]) << " (input "
                                  << double(input.atIndex(i).red()) << " " << double(input.atIndex(i).green())
                                  << " " << double(input.atIndex(i).blue()) << ")";
                }
            }
        }
        EXPECT_EQ(differing, 0u) << threads << " threads";
    }
}

TEST(ColourPath, EightBitsStoreWhatThePixelByPixelRenderStores) {
    expectMapsMatchPixelwise<Pixel8>(allEight());
    expectMapsMatchPixelwise<Pixel8>(colourOnly());
}

TEST(ColourPath, SixteenBitsStoreWhatThePixelByPixelRenderStores) {
    expectMapsMatchPixelwise<Pixel16>(allEight());
    expectMapsMatchPixelwise<Pixel16>(colourOnly());
}

TEST(ColourPath, EachColourCurveAloneMatchesThePixelByPixelRender) {
    for (const std::int32_t channel : {kChannelHue, kChannelSaturation, kChannelBrightness}) {
        FilterSettings settings = allEight();
        for (const std::int32_t other : {kChannelHue, kChannelSaturation, kChannelBrightness}) {
            if (other != channel) {
                settings.curves.curves[std::size_t(other)] = defaultCurves().curves[std::size_t(other)];
            }
        }
        expectMapsMatchPixelwise<Pixel8>(settings);
        expectMapsMatchPixelwise<Pixel16>(settings);
    }
}

} // namespace
} // namespace korvane::testing

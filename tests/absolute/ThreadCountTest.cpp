// The render is the same whatever the number of threads and so of bands: pixels and histograms against
// one thread, at every depth, through the channel maps and through the colour steps.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace korvane::testing {
namespace {

constexpr std::int32_t kWidth = 23;
// Enough rows for many bands of the minimum height on two threads.
constexpr std::int32_t kHeight = 211;

// Random pixels with whites, blacks, greys and, in float, values outside 0..1 and non-finite ones.
template <class Pixel>
TestImage<Pixel> mixedPicture() {
    TestImage<Pixel> image(kWidth, kHeight);
    std::mt19937 random(29);
    const double max = Pixel::kMax;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            Rgba c{unit(random) * max, unit(random) * max, unit(random) * max, unit(random) * max};
            switch ((x + y) % 7) {
            case 0:
                c = {max, max, max, max};
                break;
            case 1:
                c = {0, 0, 0, 0};
                break;
            case 2:
                c.green = c.red;
                c.blue = c.red;
                break;
            default:
                break;
            }
            if constexpr (Pixel::kIsFloat) {
                if (x == 3) {
                    c.red = y % 2 == 0 ? std::numeric_limits<double>::quiet_NaN() : 1.5;
                    c.blue = y % 3 == 0 ? std::numeric_limits<double>::infinity() : -0.25;
                }
            } else {
                c = {std::floor(c.red), std::floor(c.green), std::floor(c.blue), std::floor(c.alpha)};
                if (Pixel::kMax == 32768 && x == 4) {
                    c.red = 32769; // above white, which a 16-bit channel can hold
                }
            }
            image.set(x, y, c);
        }
    }
    return image;
}

FilterSettings channelCurves() {
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.1}, {0.5, 0.6}, {1.0, 0.9}});
    settings.curves.curves[kChannelGreen] = makeCurve({{0.0, 0.2}, {1.0, 0.8}});
    settings.curves.curves[kChannelAlpha] = makeCurve({{0.0, 1.0}, {1.0, 0.0}});
    return settings;
}

FilterSettings allEightCurves() {
    FilterSettings settings = channelCurves();
    settings.curves.curves[kChannelHue] = makeCurve({{0.0, 0.1}, {0.5, 0.4}, {1.0, 1.1}});
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {0.4, 0.7}, {1.0, 0.9}});
    settings.curves.curves[kChannelBrightness] = makeCurve({{0.0, 0.05}, {1.0, 0.95}});
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.0}, {0.3, 0.5}, {1.0, 1.0}});
    settings.curves.curves[kChannelBlue] = makeCurve({{0.0, 0.3}, {1.0, 0.7}});
    return settings;
}

template <class Pixel>
bool sameBytes(const TestImage<Pixel>& a, const TestImage<Pixel>& b) {
    if (a.pixelCount() != b.pixelCount()) {
        return false;
    }
    for (std::size_t i = 0; i < a.pixelCount(); ++i) {
        if (std::memcmp(&a.atIndex(i), &b.atIndex(i), sizeof(Pixel)) != 0) {
            return false;
        }
    }
    return true;
}

template <class Pixel>
void expectSameOnEveryThreadCount(FilterSettings settings, const char* what) {
    TestImage<Pixel> input = mixedPicture<Pixel>();
    settings.threads = 1;
    FilterHost oneHost(1);
    const FilterResult<Pixel> one = runFilter(input, settings, oneHost);
    ASSERT_EQ(one.status, 0) << what;
    for (const std::int32_t threads : {2, 3, 7}) {
        FilterHost host(threads);
        const FilterResult<Pixel> many = runFilter(input, settings, host);
        ASSERT_EQ(many.status, 0) << what << ", " << threads << " threads";
        EXPECT_TRUE(sameBytes(one.output, many.output)) << what << ", " << threads << " threads";
        EXPECT_EQ(one.histograms, many.histograms) << what << ", " << threads << " threads";
        EXPECT_EQ(host.liveBlocks(), 0u) << what << ", " << threads << " threads";
    }
}

template <class Pixel>
class ThreadCount : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(ThreadCount, Depths);

TYPED_TEST(ThreadCount, ChannelCurvesInBothOrders) {
    for (const bool invert : {false, true}) {
        FilterSettings settings = channelCurves();
        settings.invert = invert;
        expectSameOnEveryThreadCount<TypeParam>(settings, invert ? "inverted" : "normal");
    }
}

TYPED_TEST(ThreadCount, AllEightCurvesWithBothHistogramModes) {
    for (const std::int32_t mode : {1, 2}) {
        for (const bool invert : {false, true}) {
            FilterSettings settings = allEightCurves();
            settings.invert = invert;
            settings.histogramMode = mode;
            settings.histogramChannel = kChannelSaturation;
            expectSameOnEveryThreadCount<TypeParam>(settings, mode == 1 ? "mode 1" : "mode 2");
        }
    }
}

} // namespace
} // namespace korvane::testing

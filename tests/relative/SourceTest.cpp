// Where the based-on values come from: the base layer placed by its origin (transparent black around it),
// and the pre blur of the source at the output's size and origin.
#include "pixels/GlowFilter.h"
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"
#include "tests/support/TentReference.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

using namespace relative;

// Red plus the source's alpha through y = x.
RelativeCurveSet redPlusSourceAlpha() {
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = curveThrough({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[kRed] = kAlpha;
    set.changeBy[kRed] = 1;
    return set;
}

TEST(Source, TheBaseLayerIsReadWhereItLiesAndIsTransparentBlackAroundIt) {
    TestImage<Pixel8> input(6, 2);
    input.fill({10, 20, 30, 255});
    // Three columns at layer x 2..4, one row at layer y 1.
    TestImage<Pixel8> base(3, 1, kRowPadding, 2, 1);
    base.set(0, 0, {0, 0, 0, 255});
    base.set(1, 0, {0, 0, 0, 102});
    base.set(2, 0, {0, 0, 0, 51});
    RenderSettings settings;
    TestImage<Pixel8> out = rendered(redPlusSourceAlpha(), input, settings, &base);
    for (std::int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(out.get(x, 0).red, 10) << x;
    }
    EXPECT_EQ(out.get(0, 1).red, 10);
    EXPECT_EQ(out.get(1, 1).red, 10);
    EXPECT_EQ(out.get(2, 1).red, 255);
    EXPECT_EQ(out.get(3, 1).red, 112);
    EXPECT_EQ(out.get(4, 1).red, 61);
    EXPECT_EQ(out.get(5, 1).red, 10);
    // The input's own alpha is not what is read.
    EXPECT_EQ(out.get(2, 1).alpha, 255);
}

TEST(Source, WithoutABaseLayerThePixelItselfIsTheSource) {
    TestImage<Pixel8> input = rowOf<Pixel8>({{10, 20, 30, 51}});
    const Rgba out = rendered(redPlusSourceAlpha(), input).get(0, 0);
    EXPECT_EQ(out.red, 61);
}

TEST(Source, ThePreBlurOfASmallerBaseLayerBlursTransparentBlackAroundIt) {
    constexpr std::int32_t kWidth = 9;
    constexpr std::int32_t kHeight = 5;
    TestImage<PixelFloat> input(kWidth, kHeight);
    input.fill({0.1, 0.2, 0.3, 1.0});
    TestImage<PixelFloat> base(4, 3, kRowPadding, 3, 1);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            base.set(x, y, {0, 0, 0, 0.1 + 0.2 * x + 0.05 * y});
        }
    }
    RenderSettings settings;
    settings.preBlurRadius = 1.6;
    TestImage<PixelFloat> out = rendered(redPlusSourceAlpha(), input, settings, &base);

    std::vector<double> alpha(std::size_t(kWidth * kHeight), 0.0);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            alpha[std::size_t((y + 1) * kWidth + x + 3)] = double(base.at(x, y).alpha());
        }
    }
    const auto asFloat = [](double v) { return double(float(v)); };
    const std::vector<double> blurred = tentPlane(alpha, kWidth, kHeight, 1.6, 1.6, asFloat);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            // The curve y = x is exact to within the handle rule's 0.0001.
            EXPECT_NEAR(out.get(x, y).red, 0.1f + blurred[std::size_t(y * kWidth + x)], 3e-4)
                << x << " " << y;
        }
    }
}

TEST(Source, APreBlurFarBeyondTheImageKeepsAUniformSource) {
    // A radius of 9999999 folds the image onto itself again and again, at the cost of any other radius.
    TestImage<Pixel8> input(5, 3);
    input.fill({10, 0, 0, 51});
    RenderSettings settings;
    settings.preBlurRadius = 9999999.0;
    TestImage<Pixel8> out = rendered(redPlusSourceAlpha(), input, settings);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(out.get(x, y).red, 61) << x << " " << y;
        }
    }
}

template <class Pixel>
void expectPreBlurIsASeparateBlurOfTheSource(double maxValue) {
    constexpr std::int32_t kWidth = 23;
    constexpr std::int32_t kHeight = 7;
    TestImage<Pixel> input(kWidth, kHeight);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const double t = double((x * 7 + y * 5) % 13) / 12.0;
            const auto value = [&](double v) { return maxValue > 1 ? std::floor(v * maxValue) : v; };
            input.set(x, y, {value(t), value(1 - t), value(t * t), value(0.5 + 0.5 * t)});
        }
    }
    RelativeCurveSet set = redPlusSourceAlpha();
    set.curves[kGreen] = curveThrough({{0.0, 0.2}, {0.5, -0.3}, {1.0, 0.4}});
    set.basedOn[kGreen] = kBrightness;
    set.curves[kHue] = curveThrough({{0.0, 0.0}, {1.0, 0.5}});
    set.basedOn[kHue] = kSaturation;

    FilterHost host;
    TestImage<Pixel> blurred(kWidth, kHeight);
    GlowFilter<Pixel> blur(host);
    blur.setSource(input.view());
    blur.setDestination(blurred.view());
    blur.setRadii(2.3, 1.15);
    ASSERT_EQ(blur.apply(0, 1), host.noError());

    RenderSettings withPreBlur;
    withPreBlur.preBlurRadius = 2.3;
    // The vertical radius follows the host's downsampling.
    auto view = input.view();
    view.downsampleY = 0.5;
    TestImage<Pixel> first(kWidth, kHeight);
    relative::RgbaCurvesFilter<Pixel> filter(host);
    filter.setImages(view, first.view(), PixelArray<Pixel>{});
    filter.setCurves(set);
    filter.setSettings(withPreBlur);
    ASSERT_EQ(filter.apply(0, 1), host.noError());

    TestImage<Pixel> second = rendered(set, input, RenderSettings{}, &blurred);
    ASSERT_EQ(first.width * first.height, second.width * second.height);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const Rgba a = first.get(x, y);
            const Rgba b = second.get(x, y);
            EXPECT_EQ(a.red, b.red) << x << " " << y;
            EXPECT_EQ(a.green, b.green) << x << " " << y;
            EXPECT_EQ(a.blue, b.blue) << x << " " << y;
            EXPECT_EQ(a.alpha, b.alpha) << x << " " << y;
        }
    }
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(Source, ThePreBlurIsASeparateBlurOfTheSourceAtEveryDepth) {
    expectPreBlurIsASeparateBlurOfTheSource<Pixel8>(255);
    expectPreBlurIsASeparateBlurOfTheSource<Pixel16>(32768);
    expectPreBlurIsASeparateBlurOfTheSource<PixelFloat>(1);
}

} // namespace
} // namespace korvane::testing

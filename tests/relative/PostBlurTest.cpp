// The post blur against a direct convolution of the weighted accumulation and the composite written out
// here, with a positive and a negative factor; a uniform image stays uniform.
#include "curves/KnotList.h"
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"
#include "tests/support/TentReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace korvane::testing {
namespace {

using namespace relative;

constexpr std::int32_t kWidth = 9;
constexpr std::int32_t kHeight = 6;

Rgba colourAt(std::int32_t x, std::int32_t y) {
    const double t = double((x * 5 + y * 3) % 11) / 10.0;
    return {t, 0.5 * (1 - t) + 0.1, 0.3 + 0.2 * t, 0.4 + 0.6 * double((x + y) % 3) / 2.0};
}

// The render with only the post blur: weight |curve(red)|, or 1 - |curve(red)| for a negative factor.
void expectPostBlur(double factor) {
    const Curve curve = curveThrough({{0.0, 0.1}, {0.6, 0.9}, {1.0, 0.3}});
    RelativeCurveSet set = defaultSet();
    set.curves[kPostBlur] = curve;
    set.basedOn[kPostBlur] = kRed;
    set.changeFactor[kPostBlur] = factor;
    TestImage<PixelFloat> input(kWidth, kHeight);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            input.set(x, y, colourAt(x, y));
        }
    }
    TestImage<PixelFloat> out = rendered<PixelFloat>(set, input, RenderSettings{}, nullptr, 3);

    // The weighted accumulation as single-precision planes, blurred directly.
    const std::size_t n = std::size_t(kWidth * kHeight);
    std::vector<double> planes[5];
    std::vector<double> weight(n);
    for (auto& plane : planes) {
        plane.resize(n);
    }
    const auto asFloat = [](double v) { return double(float(v)); };
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const Rgba c = input.get(x, y);
            double w = std::fabs(evaluate(curve, c.red, 0.0));
            if (factor < 0) {
                w = std::max(1.0 - w, 0.0);
            }
            const std::size_t i = std::size_t(y * kWidth + x);
            weight[i] = asFloat(w);
            planes[0][i] = asFloat(w * c.alpha);
            planes[1][i] = asFloat(w * c.alpha * c.red);
            planes[2][i] = asFloat(w * c.alpha * c.green);
            planes[3][i] = asFloat(w * c.alpha * c.blue);
            planes[4][i] = asFloat(w);
        }
    }
    const double radius = std::fabs(factor);
    for (auto& plane : planes) {
        plane = tentPlane(plane, kWidth, kHeight, radius, radius, asFloat);
    }
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const std::size_t i = std::size_t(y * kWidth + x);
            const Rgba c = input.get(x, y);
            const double t = planes[4][i];
            const double w = weight[i];
            double alpha = (planes[0][i] / t - c.alpha) * w + c.alpha;
            double rgb[3] = {c.red, c.green, c.blue};
            for (int k = 0; k < 3; ++k) {
                rgb[k] = (planes[k + 1][i] / t - rgb[k] * c.alpha) * w + rgb[k] * c.alpha;
            }
            const double brightest = std::max({rgb[0], rgb[1], rgb[2]});
            if (alpha < brightest) {
                alpha = brightest >= 1.0 ? 1.0 : brightest;
                if (brightest < 1.0) {
                    for (double& v : rgb) {
                        v /= brightest;
                    }
                }
            } else if (alpha > 0) {
                for (double& v : rgb) {
                    v /= alpha;
                }
            }
            const Rgba got = out.get(x, y);
            EXPECT_NEAR(got.alpha, alpha, 2e-6) << x << " " << y;
            EXPECT_NEAR(got.red, rgb[0], 2e-6) << x << " " << y;
            EXPECT_NEAR(got.green, rgb[1], 2e-6) << x << " " << y;
            EXPECT_NEAR(got.blue, rgb[2], 2e-6) << x << " " << y;
        }
    }
}

TEST(PostBlur, APositiveFactorBlursWhereTheCurveIsHigh) {
    expectPostBlur(2.5);
}

TEST(PostBlur, ANegativeFactorBlursWhereTheCurveIsLowWithItsAbsoluteRadius) {
    expectPostBlur(-1.5);
}

TEST(PostBlur, AUniformImageStaysUniformAtIntegerDepths) {
    RelativeCurveSet set = defaultSet();
    set.curves[kPostBlur] = curveThrough({{0.0, 0.3}, {1.0, 0.9}});
    set.basedOn[kPostBlur] = kGreen;
    for (const Rgba& colour : {Rgba{101, 37, 250, 200}, Rgba{1, 2, 3, 9}, Rgba{255, 255, 254, 255}}) {
        // The largest factor the control takes is a radius far beyond the image.
        set.changeFactor[kPostBlur] = colour.red == 1 ? 9999999.0 : 3.0;
        TestImage<Pixel8> image(12, 7);
        image.fill(colour);
        TestImage<Pixel8> out = rendered<Pixel8>(set, image, RenderSettings{}, nullptr, 2);
        for (std::int32_t y = 0; y < 7; ++y) {
            for (std::int32_t x = 0; x < 12; ++x) {
                const Rgba p = out.get(x, y);
                EXPECT_EQ(p.red, colour.red) << x << " " << y;
                EXPECT_EQ(p.green, colour.green) << x << " " << y;
                EXPECT_EQ(p.blue, colour.blue) << x << " " << y;
                EXPECT_EQ(p.alpha, colour.alpha) << x << " " << y;
            }
        }
    }
}

TEST(PostBlur, AFactorOfZeroLeavesTheImage) {
    RelativeCurveSet set = defaultSet();
    set.curves[kPostBlur] = constantCurve(1.0);
    set.changeFactor[kPostBlur] = 0.0;
    TestImage<Pixel8> image = rowOf<Pixel8>({{0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}});
    EXPECT_EQ(rendered(set, image).get(1, 0).red, 255);
}

} // namespace
} // namespace korvane::testing

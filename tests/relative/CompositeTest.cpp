// The post blur's composite of one pixel, on values worked out by hand.
#include "relative/PostBlurComposite.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvane::relative {
namespace {

constexpr double kMax = 255.0;
constexpr double kFloatLargest = std::numeric_limits<float>::max();

TEST(Composite, NoBlurredWeightLeavesThePixel) {
    CompositePixel pixel{100, 10, 20, 30};
    EXPECT_FALSE(compositePostBlur({1, 1, 1, 1, 0.0}, 1.0, kMax, kFloatLargest, pixel));
    EXPECT_FALSE(compositePostBlur({1, 1, 1, 1, -1e-30}, 1.0, kMax, kFloatLargest, pixel));
    EXPECT_FALSE(compositePostBlur({1, 1, 1, 1, std::numeric_limits<double>::quiet_NaN()}, 1.0, kMax,
                                   kFloatLargest, pixel));
    EXPECT_EQ(pixel.alpha, 100);
    EXPECT_EQ(pixel.red, 10);
}

TEST(Composite, AZeroWeightGivesThePixelBack) {
    CompositePixel pixel{128, 64, 32, 0};
    ASSERT_TRUE(compositePostBlur({50, 5, 5, 5, 0.5}, 0.0, kMax, kFloatLargest, pixel));
    EXPECT_DOUBLE_EQ(pixel.alpha, 128);
    EXPECT_DOUBLE_EQ(pixel.red, 64);
    EXPECT_DOUBLE_EQ(pixel.green, 32);
    EXPECT_DOUBLE_EQ(pixel.blue, 0);
}

TEST(Composite, AFullWeightTakesTheBlurUnpremultiplied) {
    // Blurred alpha 100, premultiplied colours (50, 25, 0): unpremultiplied x 255 / 100.
    CompositePixel pixel{255, 200, 200, 200};
    ASSERT_TRUE(compositePostBlur({50, 25, 12.5, 0, 0.5}, 1.0, kMax, kFloatLargest, pixel));
    EXPECT_DOUBLE_EQ(pixel.alpha, 100);
    EXPECT_DOUBLE_EQ(pixel.red, 127.5);
    EXPECT_DOUBLE_EQ(pixel.green, 63.75);
    EXPECT_DOUBLE_EQ(pixel.blue, 0);
}

TEST(Composite, HalfWeightMixesHalfWay) {
    // alpha (100 - 200) / 2 + 200 = 150; red premultiplied 100 x 200 / 255, mixed half way towards 40.
    CompositePixel pixel{200, 100, 0, 0};
    ASSERT_TRUE(compositePostBlur({100, 40, 0, 0, 1.0}, 0.5, kMax, kFloatLargest, pixel));
    const double red = (40.0 + 100.0 * 200.0 / 255.0) / 2.0;
    EXPECT_DOUBLE_EQ(pixel.alpha, 150);
    EXPECT_NEAR(pixel.red, red * 255.0 / 150.0, 1e-9);
}

TEST(Composite, AColourBrighterThanItsAlphaRaisesTheAlpha) {
    CompositePixel pixel{0, 0, 0, 0};
    ASSERT_TRUE(compositePostBlur({10, 50, 25, 0, 1.0}, 1.0, kMax, kFloatLargest, pixel));
    EXPECT_DOUBLE_EQ(pixel.alpha, 50);
    EXPECT_DOUBLE_EQ(pixel.red, 255);
    EXPECT_DOUBLE_EQ(pixel.green, 127.5);
    // Beyond the maximum the alpha is full and the colours stay as they are.
    ASSERT_TRUE(compositePostBlur({10, 300, 25, 0, 1.0}, 1.0, kMax, kFloatLargest, pixel));
    EXPECT_DOUBLE_EQ(pixel.alpha, 255);
    EXPECT_DOUBLE_EQ(pixel.red, 300);
    EXPECT_DOUBLE_EQ(pixel.green, 25);
}

TEST(Composite, ATinyBlurredWeightNeverGivesANonFinitePixel) {
    // The smallest float weight under sums of ordinary size: (3e38 / 1.4e-45) overflows a float store.
    const double tiny = double(std::numeric_limits<float>::denorm_min());
    CompositePixel pixel{0.5, 0.25, 0.25, 0.25};
    EXPECT_FALSE(compositePostBlur({3e38, 3e38, 1e38, 0, tiny}, 1.0, 1.0, kFloatLargest, pixel));
    EXPECT_EQ(pixel.alpha, 0.5);
    EXPECT_EQ(pixel.red, 0.25);
    // Integer stores clamp what is finite; only what is not finite is refused.
    CompositePixel deep{100, 100, 100, 100};
    EXPECT_TRUE(compositePostBlur({3e38, 3e38, 1e38, 0, tiny}, 1.0, 32768.0,
                                  std::numeric_limits<double>::max(), deep));
    CompositePixel huge{100, 100, 100, 100};
    EXPECT_FALSE(compositePostBlur({3e38, 3e38, 1e38, 0, tiny}, 1e300, 32768.0,
                                   std::numeric_limits<double>::max(), huge));
    EXPECT_EQ(huge.red, 100);
}

} // namespace
} // namespace korvane::relative

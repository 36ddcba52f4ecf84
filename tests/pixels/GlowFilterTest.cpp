#include "tests/support/TentReference.h"
#include "tests/support/TestImage.h"

#include "pixels/GlowFilter.h"
#include "pixels/MirrorFold.h"
#include "tests/framework/FilterHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace korvane::testing {
namespace {

// Float results against the reference: relative, with values below 1 compared absolutely.
constexpr double kFloatRelative = 1e-5;

template <class Pixel>
bool sameValue(double got, double want) {
    if (!Pixel::kIsFloat) {
        return got == want;
    }
    if (std::isnan(want) || std::isnan(got)) {
        return std::isnan(want) && std::isnan(got);
    }
    if (std::isinf(want) || std::isinf(got)) {
        return got == want;
    }
    return std::abs(got - want) <= kFloatRelative * std::max(std::abs(want), 1.0);
}

template <class Pixel>
::testing::AssertionResult gridsMatch(const Grid<Pixel::kChannelCount>& got,
                                      const Grid<Pixel::kChannelCount>& want) {
    for (std::int32_t y = 0; y < want.height; ++y) {
        for (std::int32_t x = 0; x < want.width; ++x) {
            for (int c = 0; c < Pixel::kChannelCount; ++c) {
                const double g = got.at(x, y)[std::size_t(c)];
                const double w = want.at(x, y)[std::size_t(c)];
                if (!sameValue<Pixel>(g, w)) {
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c
                                                         << ": got " << g << ", want " << w;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Blurs a grid through the standalone apply; the filter allocates its own intermediate.
template <class Pixel>
Grid<Pixel::kChannelCount> blurGrid(const Grid<Pixel::kChannelCount>& input, double horizontal,
                                    double vertical, std::int32_t threads = 1) {
    FilterHost host(threads);
    TestImage<Pixel> source(input.width, input.height);
    TestImage<Pixel> destination(input.width, input.height, 20);
    source.fill(input);
    GlowFilter<Pixel> filter(host);
    filter.setSource(source.view());
    filter.setDestination(destination.view());
    filter.setRadii(horizontal, vertical);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    EXPECT_TRUE(source.paddingIntact());
    EXPECT_TRUE(destination.paddingIntact());
    EXPECT_EQ(host.liveBlocks(), 0u);
    return destination.grid();
}

template <class Pixel>
class GlowFilterTyped : public ::testing::Test {};

using AllPixelTypes = ::testing::Types<Pixel8, Pixel16, PixelFloat, AccumulationPixel8, AccumulationPixel16,
                                       AccumulationPixelFloat>;
TYPED_TEST_SUITE(GlowFilterTyped, AllPixelTypes);

const RationalRadius kRadii[] = {
    {0, 1}, {3, 10}, {1, 1}, {3, 2}, {29, 4}, {99999, 100000}, {137, 4},
};

struct Size {
    std::int32_t width;
    std::int32_t height;
};
// 137 / 4 is larger than most of them: its samples fold back and forth. Widths of 16 and more run the
// vertical pass in strips of 16 columns, at integer depths in bands of 128 columns whose last strip may
// overlap the one before it (37 and 150 columns).
const Size kSizes[] = {{13, 9}, {1, 9}, {13, 1}, {1, 1}, {3, 5}, {2, 7}, {16, 4}, {37, 6}, {150, 3}};

TYPED_TEST(GlowFilterTyped, MatchesDirectConvolution) {
    using Pixel = TypeParam;
    std::mt19937 rng(7251);
    for (const Size size : kSizes) {
        for (const RationalRadius horizontal : kRadii) {
            for (const RationalRadius vertical : {kRadii[1], kRadii[4], horizontal}) {
                const auto input = randomGrid<Pixel>(size.width, size.height, rng);
                const auto want = referenceBlur(input, horizontal, vertical, !Pixel::kIsFloat);
                const auto got = blurGrid<Pixel>(input, horizontal.value(), vertical.value());
                ASSERT_TRUE(gridsMatch<Pixel>(got, want)) << size.width << " x " << size.height << ", radii "
                                                          << horizontal.value() << ", " << vertical.value();
            }
        }
    }
}

TYPED_TEST(GlowFilterTyped, GivenIntermediateHoldsTheHorizontalPass) {
    using Pixel = TypeParam;
    std::mt19937 rng(99);
    const auto input = randomGrid<Pixel>(11, 6, rng);
    const RationalRadius horizontal{29, 4};
    const RationalRadius none{0, 1};
    FilterHost host;
    TestImage<Pixel> source(11, 6);
    TestImage<Pixel> intermediate(11, 6, 8);
    TestImage<Pixel> destination(11, 6, 4);
    source.fill(input);
    GlowFilter<Pixel> filter(host);
    filter.setSource(source.view());
    filter.setIntermediate(intermediate.view());
    filter.setDestination(destination.view());
    filter.setRadii(horizontal.value(), 0.0);
    ASSERT_EQ(filter.apply(0, 1), host.noError());
    EXPECT_EQ(host.allocations(), 0);
    EXPECT_TRUE(intermediate.paddingIntact());
    EXPECT_TRUE(destination.paddingIntact());
    const auto want = referenceBlur(input, horizontal, none, !Pixel::kIsFloat);
    EXPECT_TRUE(gridsMatch<Pixel>(intermediate.grid(), want));
    EXPECT_TRUE(gridsMatch<Pixel>(destination.grid(), want));
}

TYPED_TEST(GlowFilterTyped, RadiusZeroIsTheIdentity) {
    using Pixel = TypeParam;
    std::mt19937 rng(4);
    const auto input = randomGrid<Pixel>(17, 5, rng);
    const auto got = blurGrid<Pixel>(input, 0.0, 0.0);
    for (std::size_t i = 0; i < input.values.size(); ++i) {
        ASSERT_EQ(got.values[i], input.values[i]) << "pixel " << i;
    }
}

TYPED_TEST(GlowFilterTyped, NegativeOrNonFiniteRadiusBlursNothing) {
    using Pixel = TypeParam;
    std::mt19937 rng(5);
    const auto input = randomGrid<Pixel>(9, 7, rng);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double radius : {-1.0, -0.25, -1e300, nan, infinity, -infinity}) {
        const auto got = blurGrid<Pixel>(input, radius, radius);
        for (std::size_t i = 0; i < input.values.size(); ++i) {
            ASSERT_EQ(got.values[i], input.values[i]) << "radius " << radius << ", pixel " << i;
        }
    }
}

TYPED_TEST(GlowFilterTyped, UniformImageStaysUniform) {
    using Pixel = TypeParam;
    const double values[] = {0.0, 1.0, 100.0, double(Pixel::kMaxValue) - 1.0, double(Pixel::kMaxValue)};
    for (const double value : values) {
        Grid<Pixel::kChannelCount> input(9, 6);
        for (auto& pixel : input.values) {
            pixel.fill(value);
        }
        for (int step = 0; step <= 400; step += 7) {
            const auto got = blurGrid<Pixel>(input, step * 0.05, step * 0.05);
            for (const auto& pixel : got.values) {
                for (const double channel : pixel) {
                    ASSERT_EQ(channel, double(typename Pixel::Value(value))) << "radius " << step * 0.05;
                }
            }
        }
    }
}

// Every radius from 0 to 20 in steps of 0.05 at both integer depths, for many values: the running sums once
// landed a hair below the whole result and truncation lost 1 (a uniform 100 came out as 99 at radius 7.9).
template <class Pixel>
void expectUniformAtEveryRadius(const std::vector<std::int32_t>& values) {
    FilterHost host;
    for (const std::int32_t value : values) {
        TestImage<Pixel> source(23, 3);
        TestImage<Pixel> destination(23, 3);
        for (std::int32_t y = 0; y < 3; ++y) {
            for (std::int32_t x = 0; x < 23; ++x) {
                for (auto& channel : source.at(x, y).channel) {
                    channel = typename Pixel::Value(value);
                }
            }
        }
        GlowFilter<Pixel> filter(host);
        filter.setSource(source.view());
        filter.setDestination(destination.view());
        for (int step = 0; step <= 400; ++step) {
            const double radius = step * 0.05;
            filter.setRadii(radius, radius / 2.0);
            destination.fillBytes(0x5A);
            ASSERT_EQ(filter.apply(0, 1), host.noError());
            for (std::int32_t y = 0; y < 3; ++y) {
                for (std::int32_t x = 0; x < 23; ++x) {
                    for (const auto channel : destination.at(x, y).channel) {
                        ASSERT_EQ(std::int32_t(channel), value)
                            << "radius " << radius << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

TEST(GlowFilter, UniformEightBitImageStaysUniformAtEveryRadius) {
    std::vector<std::int32_t> values;
    for (std::int32_t v = 0; v <= 255; v += 3) {
        values.push_back(v);
    }
    values.push_back(100);
    values.push_back(254);
    values.push_back(255);
    expectUniformAtEveryRadius<Pixel8>(values);
}

TEST(GlowFilter, UniformSixteenBitImageStaysUniformAtEveryRadius) {
    std::vector<std::int32_t> values = {0, 1, 100, 255, 12345, 32767, 32768};
    std::mt19937 rng(16);
    std::uniform_int_distribution<std::int32_t> any(0, 32768);
    for (int i = 0; i < 16; ++i) {
        values.push_back(any(rng));
    }
    expectUniformAtEveryRadius<Pixel16>(values);
}

// The response to a single float impulse is the normalised kernel.
std::vector<double> impulseResponse(double radius, std::int32_t width) {
    Grid<4> input(width, 1);
    input.at(width / 2, 0).fill(1.0);
    const auto out = blurGrid<PixelFloat>(input, radius, 0.0);
    std::vector<double> response;
    for (std::int32_t x = 0; x < width; ++x) {
        response.push_back(out.at(x, 0)[0]);
    }
    return response;
}

TEST(GlowFilter, KernelIsContinuousAtIntegerRadii) {
    constexpr std::int32_t kWidth = 15;
    constexpr std::int32_t kCentre = kWidth / 2;
    for (const int whole : {1, 2, 5}) {
        const auto at = impulseResponse(whole, kWidth);
        const auto below = impulseResponse(whole - 1e-9, kWidth);
        // Weights R + 0.5 - |k| inside, 0 at r + 1: at R = 1 that is 0.5, 1.5, 0.5 over 2.5.
        const double sum = (whole + 1.0) * (whole + 1.0) + (2.0 * whole + 1.0) * -0.5;
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const int distance = std::abs(x - kCentre);
            const double weight = distance <= whole ? whole + 0.5 - distance : 0.0;
            EXPECT_NEAR(at[std::size_t(x)], weight / sum, 1e-7) << "radius " << whole << " at " << distance;
            EXPECT_NEAR(below[std::size_t(x)], at[std::size_t(x)], 1e-7) << "just below " << whole;
        }
    }
    const auto one = impulseResponse(1.0, kWidth);
    EXPECT_NEAR(one[kCentre - 1], 0.2, 1e-7);
    EXPECT_NEAR(one[kCentre], 0.6, 1e-7);
    EXPECT_NEAR(one[kCentre + 1], 0.2, 1e-7);
    EXPECT_EQ(one[kCentre + 2], 0.0);
}

TEST(MirrorFold, HandValuesOnALineOfThree) {
    // Below: the edge sample 0 is not repeated; above: sample 2 is.
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {-1, 1}, {-2, 2}, {-3, 2}, {-4, 2}, {-5, 1}, {-6, 0}, {-7, 1}, {0, 0}, {1, 1},
        {2, 2},  {3, 2},  {4, 1},  {5, 0},  {6, 0},  {7, 1},  {8, 2},  {9, 2},
    };
    for (const auto& [index, folded] : cases) {
        EXPECT_EQ(mirrorFold(index, 3), folded) << index;
        EXPECT_EQ(referenceFold(index, 3), folded) << index;
    }
}

TEST(MirrorFold, AlwaysInsideTheLine) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::int64_t> index(-(std::int64_t(1) << 40), std::int64_t(1) << 40);
    for (const std::int64_t n : {1, 2, 3, 7, 64, 4001}) {
        for (int i = 0; i < 20000; ++i) {
            const std::int64_t folded = mirrorFold(index(rng), n);
            ASSERT_GE(folded, 0);
            ASSERT_LT(folded, n);
        }
    }
    EXPECT_EQ(mirrorFold(-5, 1), 0);
    EXPECT_EQ(mirrorFold(12, 1), 0);
}

TEST(GlowFilter, RadiusManyTimesTheImageMatchesDirectConvolution) {
    // Radii far beyond the line: the window sums are primed per residue of the folded line.
    std::mt19937 rng(77);
    for (const double radius : {1000.5, 4321.75, 250000.25}) {
        const auto input = randomGrid<PixelFloat>(5, 3, rng);
        const auto want =
            referenceBlur(input, {std::int64_t(radius * 4), 4}, {std::int64_t(radius * 4), 4}, false);
        EXPECT_TRUE(gridsMatch<PixelFloat>(blurGrid<PixelFloat>(input, radius, radius), want)) << radius;
    }
}

TEST(GlowFilter, AbsurdRadiusStaysAWeightedAverage) {
    std::mt19937 rng(78);
    const auto input = randomGrid<Pixel8>(6, 4, rng);
    const auto got = blurGrid<Pixel8>(input, 1e300, std::numeric_limits<double>::max());
    for (int c = 0; c < 4; ++c) {
        double low = 255.0;
        double high = 0.0;
        for (const auto& pixel : input.values) {
            low = std::min(low, pixel[std::size_t(c)]);
            high = std::max(high, pixel[std::size_t(c)]);
        }
        for (const auto& pixel : got.values) {
            EXPECT_GE(pixel[std::size_t(c)], low);
            EXPECT_LE(pixel[std::size_t(c)], high);
        }
    }
}

TEST(GlowFilter, NonFiniteFloatSamplesStayWithinTheKernel) {
    // One infinite or NaN sample once turned the rest of its row, and then whole columns, into NaN.
    std::mt19937 rng(79);
    auto input = randomGrid<PixelFloat>(40, 9, rng);
    input.at(5, 2)[1] = std::numeric_limits<double>::infinity();
    input.at(30, 6)[2] = std::numeric_limits<double>::quiet_NaN();
    input.at(31, 6)[0] = -std::numeric_limits<double>::infinity();
    input.at(0, 0)[3] = std::numeric_limits<double>::infinity(); // the line's first sample
    const RationalRadius horizontal{5, 2};
    const RationalRadius vertical{3, 2};
    const auto got = blurGrid<PixelFloat>(input, horizontal.value(), vertical.value());
    const auto want = referenceBlur(input, horizontal, vertical, false);
    EXPECT_TRUE(gridsMatch<PixelFloat>(got, want));
    EXPECT_TRUE(std::isfinite(got.at(20, 4)[1]));
    EXPECT_TRUE(std::isfinite(got.at(39, 2)[1]));
    EXPECT_TRUE(std::isinf(got.at(5, 2)[1]));
}

TEST(GlowFilter, SixteenBitValuesAboveWhiteComeOutAsWhite) {
    // 32768 is white; a host buffer holding more must not wrap or overflow the store.
    Grid<4> input(20, 6);
    for (auto& pixel : input.values) {
        pixel = {65535.0, 65535.0, 40000.0, 32768.0};
    }
    for (const double radius : {0.0, 0.5, 3.0, 40.0}) {
        for (const auto& pixel : blurGrid<Pixel16>(input, radius, radius).values) {
            for (const double channel : pixel) {
                ASSERT_EQ(channel, 32768.0) << radius;
            }
        }
    }
}

TEST(GlowFilter, MissingSourceReadsAsTransparentBlack) {
    FilterHost host;
    TestImage<Pixel16> destination(5, 4);
    destination.fillBytes(0x77);
    GlowFilter<Pixel16> filter(host);
    filter.setDestination(destination.view());
    filter.setRadii(2.0, 2.0);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    EXPECT_TRUE(destination.allPixelBytesAre(0));
    EXPECT_TRUE(destination.paddingIntact());
    EXPECT_EQ(host.allocations(), 0);
}

TEST(GlowFilter, MissingDestinationWritesNothing) {
    FilterHost host;
    TestImage<Pixel8> source(5, 4);
    source.fillBytes(0x33);
    GlowFilter<Pixel8> filter(host);
    filter.setSource(source.view());
    filter.setRadii(2.0, 2.0);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    EXPECT_EQ(host.allocations(), 0);
    EXPECT_TRUE(source.allPixelBytesAre(0x33));
}

TEST(GlowFilter, ColumnJobsAndColumnStripsGiveTheSameImage) {
    std::mt19937 rng(80);
    const auto input = randomGrid<Pixel16>(41, 19, rng);
    FilterHost host(2);
    TestImage<Pixel16> source(41, 19);
    TestImage<Pixel16> byStrips(41, 19);
    TestImage<Pixel16> byColumns(41, 19);
    source.fill(input);
    GlowFilter<Pixel16> filter(host);
    filter.setRadii(0.0, 6.6);
    filter.setPassViews(source.view(), byStrips.view());
    ASSERT_EQ(filter.runVerticalPass(), host.noError());
    filter.setPassViews(source.view(), byColumns.view());
    ASSERT_EQ(filter.runEach<&GlowFilter<Pixel16>::blurColumn>(filter.passColumns()), host.noError());
    EXPECT_EQ(byStrips.grid().values, byColumns.grid().values);
    EXPECT_TRUE(byStrips.paddingIntact());
}

TEST(GlowFilter, PassesCoverOnlyWhatInputAndOutputShare) {
    FilterHost host;
    TestImage<Pixel8> input(6, 5);
    TestImage<Pixel8> output(4, 7);
    input.fillBytes(200);
    output.fillBytes(9);
    GlowFilter<Pixel8> filter(host);
    filter.setRadii(1.5, 1.5);
    filter.setPassViews(input.view(), output.view());
    EXPECT_EQ(filter.passRows(), 5);
    EXPECT_EQ(filter.passColumns(), 4);
    EXPECT_EQ(filter.runHorizontalPass(), host.noError());
    EXPECT_EQ(filter.runVerticalPass(), host.noError());
    for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(output.at(x, y).red(), y < 5 ? 200 : 9) << x << ", " << y;
        }
    }
    EXPECT_TRUE(output.paddingIntact());
    EXPECT_TRUE(input.paddingIntact());
}

} // namespace
} // namespace korvane::testing

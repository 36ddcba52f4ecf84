// The tent blur is the same whatever the number of threads: rows, row blocks, column bands and strips
// taken by the threads in any order give the one-thread result byte for byte.
#include "tests/support/TestImage.h"

#include "pixels/GlowFilter.h"
#include "tests/framework/FilterHost.h"

#include <gtest/gtest.h>

#include <random>

namespace korvane::testing {
namespace {

template <class Pixel>
TestImage<Pixel> blurred(const TestImage<Pixel>& source, double horizontal, double vertical,
                         std::int32_t threads) {
    FilterHost host(threads);
    TestImage<Pixel> input = source;
    TestImage<Pixel> output(source.width, source.height);
    GlowFilter<Pixel> filter(host);
    filter.setSource(input.view());
    filter.setDestination(output.view());
    filter.setRadii(horizontal, vertical);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_TRUE(output.paddingIntact());
    return output;
}

template <class Pixel>
class GlowThreadCount : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(GlowThreadCount, Depths);

TYPED_TEST(GlowThreadCount, EveryThreadCountGivesTheOneThreadResult) {
    std::mt19937 random(72);
    // Wide enough for several column bands, tall enough for several row blocks, neither a multiple.
    TestImage<TypeParam> source(150, 61);
    source.fill(randomGrid<TypeParam>(source.width, source.height, random));
    for (const auto& [horizontal, vertical] : {std::pair{2.5, 1.0}, std::pair{10.0, 7.25}}) {
        const TestImage<TypeParam> one = blurred(source, horizontal, vertical, 1);
        for (const std::int32_t threads : {2, 3, 7}) {
            EXPECT_TRUE(one.samePixels(blurred(source, horizontal, vertical, threads)))
                << "radii " << horizontal << ", " << vertical << " on " << threads << " threads";
        }
    }
}

} // namespace
} // namespace korvane::testing

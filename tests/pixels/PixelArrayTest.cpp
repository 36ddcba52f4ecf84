#include "tests/support/TestImage.h"

#include "pixels/ChannelStore.h"
#include "pixels/DepthTraits.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"
#include "tests/framework/FilterHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace korvane::testing {
namespace {

TEST(PixelRGB, HostOrderIsAlphaRedGreenBlue) {
    const std::uint8_t bytes[4] = {10, 20, 30, 40};
    Pixel8 pixel;
    std::memcpy(&pixel, bytes, sizeof pixel);
    EXPECT_EQ(pixel.alpha(), 10);
    EXPECT_EQ(pixel.red(), 20);
    EXPECT_EQ(pixel.green(), 30);
    EXPECT_EQ(pixel.blue(), 40);

    const float floats[5] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    AccumulationPixel16 accumulation;
    std::memcpy(&accumulation, floats, sizeof accumulation);
    EXPECT_EQ(accumulation.alpha(), 1.0f);
    EXPECT_EQ(accumulation.blue(), 4.0f);
    EXPECT_EQ(accumulation.weight(), 5.0f);
    EXPECT_EQ(AccumulationPixel16::kMax, 32768.0);
    EXPECT_EQ(Pixel16::kMaxValue, 32768);
}

TEST(DepthTraits, EachDepthHasItsRangeAndTables) {
    using Eight = DepthTraits<PixelDepth::Eight>;
    using Sixteen = DepthTraits<PixelDepth::Sixteen>;
    using Float = DepthTraits<PixelDepth::Float>;
    static_assert(Eight::kMaxValue == 255 && Eight::kTableSize == 256 && !Eight::kIsFloat);
    static_assert(Sixteen::kMaxValue == 32768 && Sixteen::kTableSize == 32769 && !Sixteen::kIsFloat);
    static_assert(Float::kMaxValue == 1 && Float::kTableSize == 0 && Float::kIsFloat);
    static_assert(std::is_same_v<Sixteen::Pixel, Pixel16>);
    static_assert(Sixteen::Accumulation::kMaxValue == 32768);
}

TEST(ChannelStore, IntegerDepthsRoundClampAndTruncate) {
    EXPECT_EQ(roundToChannel<Pixel8>(254.49), 254);
    EXPECT_EQ(roundToChannel<Pixel8>(254.5), 255);
    EXPECT_EQ(roundToChannel<Pixel8>(300.0), 255);
    EXPECT_EQ(roundToChannel<Pixel8>(-0.6), 0);
    EXPECT_EQ(roundToChannel<Pixel16>(32767.5), 32768);
    EXPECT_EQ(roundToChannel<Pixel16>(40000.0), 32768);
    EXPECT_EQ(truncateToChannel<Pixel8>(254.99), 254);
    EXPECT_EQ(truncateToChannel<Pixel16>(32768.7), 32768);
    EXPECT_EQ(truncateToChannel<Pixel16>(-5.0), 0);
}

TEST(ChannelStore, NonFiniteIsZeroAtIntegerDepths) {
    for (const double value :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(roundToChannel<Pixel8>(value), 0);
        EXPECT_EQ(roundToChannel<Pixel16>(value), 0);
        EXPECT_EQ(truncateToChannel<Pixel8>(value), 0);
        EXPECT_EQ(truncateToChannel<Pixel16>(value), 0);
    }
}

TEST(ChannelStore, FloatIsStoredUnclamped) {
    EXPECT_EQ(roundToChannel<PixelFloat>(1.5), 1.5f);
    EXPECT_EQ(roundToChannel<PixelFloat>(-0.25), -0.25f);
    EXPECT_EQ(truncateToChannel<AccumulationPixel8>(300.75), 300.75f);
    EXPECT_TRUE(std::isnan(roundToChannel<PixelFloat>(std::numeric_limits<double>::quiet_NaN())));
}

ImageDesc describe(void* pixels, std::int32_t depth) {
    ImageDesc image;
    image.pixels = pixels;
    image.width = 5;
    image.height = 3;
    image.originX = -7;
    image.originY = 4;
    image.rowBytes = 100;
    image.depth = depth;
    image.pixelAspect = 0.9;
    image.downsampleX = 0.5;
    image.downsampleY = 0.25;
    image.present = 1;
    return image;
}

TEST(PixelArray, ViewOfAHostImage) {
    std::vector<std::byte> buffer(300);
    const auto view = PixelArray<Pixel16>::fromImage(describe(buffer.data(), 16));
    EXPECT_EQ(view.present, 1);
    EXPECT_EQ(view.width, 5);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.rowBytes, 100);
    EXPECT_EQ(view.pixelBytes, 8);
    EXPECT_EQ(view.originX, -7);
    EXPECT_EQ(view.originY, 4);
    EXPECT_EQ(view.pixelAspect, 0.9);
    EXPECT_EQ(view.downsampleX, 0.5);
    EXPECT_EQ(view.downsampleY, 0.25);
    // data + y x rowBytes + x x pixelBytes
    EXPECT_EQ(reinterpret_cast<std::byte*>(&view.pixel(3, 2)), buffer.data() + 2 * 100 + 3 * 8);
    EXPECT_EQ(reinterpret_cast<std::byte*>(view.row(2) + 3), buffer.data() + 2 * 100 + 3 * 8);
    EXPECT_EQ(PixelArray<Pixel8>::fromImage(describe(buffer.data(), 8)).pixelBytes, 4);
    EXPECT_EQ(PixelArray<PixelFloat>::fromImage(describe(buffer.data(), 32)).pixelBytes, 16);
}

TEST(PixelArray, MissingOrMismatchedImageHasNoPixels) {
    std::vector<std::byte> buffer(300);
    ImageDesc absent = describe(buffer.data(), 8);
    absent.present = 0;
    ImageDesc noAddress = describe(nullptr, 8);
    for (const ImageDesc& image : {absent, noAddress, describe(buffer.data(), 16)}) {
        const auto view = PixelArray<Pixel8>::fromImage(image);
        EXPECT_EQ(view.present, 0);
        EXPECT_EQ(view.width, 0);
        EXPECT_EQ(view.height, 0);
        EXPECT_FALSE(view.contains(0, 0));
        EXPECT_EQ(view.atLayer(-7, 4).red(), 0); // never dereferenced
    }
}

TEST(PixelArray, OriginsPlaceViewsInOneLayer) {
    TestImage<Pixel8> input(6, 4, 8, 10, 20);
    TestImage<Pixel8> base(3, 3, 4, 12, 21);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) {
            base.at(x, y) = Pixel8{{255, std::uint8_t(10 * x + y), 7, 9}};
        }
    }
    const auto inputView = input.view();
    const auto baseView = base.view();
    // Input pixel (3, 2) is layer (13, 22), base pixel (1, 1).
    EXPECT_EQ(baseView.under(inputView, 3, 2).red(), 11);
    EXPECT_EQ(baseView.atLayer(14, 23).red(), 22);
    // Outside the base: transparent black, every channel 0.
    for (const auto& [x, y] : {std::pair{1, 2}, std::pair{5, 2}, std::pair{3, 0}}) {
        const Pixel8 outside = baseView.under(inputView, x, y);
        EXPECT_EQ(outside.alpha() + outside.red() + outside.green() + outside.blue(), 0) << x << ", " << y;
    }
    EXPECT_TRUE(base.paddingIntact());
}

TEST(ScratchSize, ComputedInSixtyFourBits) {
    // 70000 x 70000 accumulation pixels: 98 GB, beyond 32 bits but a valid request.
    EXPECT_EQ(scratchImageBytes(70000, 70000, 20), std::size_t(70000) * 70000 * 20);
    EXPECT_EQ(scratchImageBytes(3840, 2160, 16), std::size_t(3840) * 2160 * 16);
    EXPECT_EQ(scratchImageBytes(0, 5, 4), std::size_t(0));
}

TEST(ScratchSize, ImpossibleSizesHaveNone) {
    const std::int64_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(scratchImageBytes(-1, 5, 4));
    EXPECT_FALSE(scratchImageBytes(5, -1, 4));
    EXPECT_FALSE(scratchImageBytes(big, 1, 20)); // a row longer than rowBytes can say
    EXPECT_FALSE(scratchImageBytes(big / 20, std::numeric_limits<std::int64_t>::max() / 4, 20));
    EXPECT_TRUE(scratchImageBytes(big / 20, 1, 20));
}

TEST(ScratchImage, ViewOfTheBuffer) {
    FilterHost host;
    ScratchImage<AccumulationPixel8> image(host);
    ASSERT_TRUE(image.allocate(7, 3, -2, 9));
    const auto& view = image.view();
    EXPECT_EQ(view.present, 1);
    EXPECT_EQ(view.width, 7);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.rowBytes, 7 * 20);
    EXPECT_EQ(view.pixelBytes, 20);
    EXPECT_EQ(view.originX, -2);
    EXPECT_EQ(view.originY, 9);
    EXPECT_EQ(view.pixelAspect, 1.0);
    EXPECT_EQ(host.lastRequest(), 7u * 3u * 20u);
    view.pixel(6, 2).weight() = 3.0f; // the last pixel lies inside the block
}

TEST(ScratchImage, ImpossibleSizeFailsWithoutAllocating) {
    FilterHost host;
    ScratchImage<PixelFloat> image(host);
    EXPECT_FALSE(image.allocate(std::numeric_limits<std::int32_t>::max(), 2, 0, 0));
    EXPECT_FALSE(image.allocate(-4, 2, 0, 0));
    EXPECT_EQ(image.view().present, 0);
    EXPECT_EQ(host.allocations(), 0);
}

TEST(ScratchBuffer, EveryBlockGoesBackOnEveryPath) {
    FilterHost host;
    {
        ScratchBuffer first(host);
        ScratchBuffer second(host);
        ASSERT_TRUE(first.allocate(64));
        host.failAllocationsFrom(1);
        EXPECT_FALSE(second.allocate(64));
        EXPECT_EQ(second.data(), nullptr);
    }
    EXPECT_EQ(host.allocations(), 2);
    EXPECT_EQ(host.releases(), 1);
    EXPECT_EQ(host.liveBlocks(), 0u);
    host.failAllocationsFrom(0);
    {
        ScratchBuffer buffer(host);
        ASSERT_TRUE(buffer.allocate(16));
        ASSERT_TRUE(buffer.allocate(32)); // replaces the first block
        ASSERT_TRUE(buffer.allocate(0));  // an empty image still gets a block
        EXPECT_NE(buffer.data(), nullptr);
    }
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_EQ(host.unknownReleases(), 0);
}

} // namespace
} // namespace korvane::testing

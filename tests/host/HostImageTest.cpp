#include "host/HostImage.h"
#include "host/HostError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kvhost {
namespace {

TEST(HostImage, RowsArePaddedWithTheSentinel) {
    HostImage image(5, 3, 16, 12);
    EXPECT_EQ(image.rowBytes(), 5 * 8 + 12);
    EXPECT_TRUE(image.paddingIntact());
    image.row(1)[5 * 8] = 0; // the first padding byte of row 1
    EXPECT_FALSE(image.paddingIntact());
}

TEST(HostImage, AWriteBelowTheLastRowIsSeen) {
    HostImage image(2, 2, 8, 4);
    image.row(1)[image.rowBytes()] = 1; // first byte after the last row
    EXPECT_FALSE(image.paddingIntact());
}

TEST(HostImage, AWorldOfARectangleStartsAtItsFirstPixel) {
    HostImage image(10, 8, 8);
    image.setOrigin(100, 50);
    const PF_LayerDef world = image.world(PF_LRect{102, 53, 106, 57});
    EXPECT_EQ(world.width, 4);
    EXPECT_EQ(world.height, 4);
    EXPECT_EQ(world.origin_x, 102);
    EXPECT_EQ(world.origin_y, 53);
    EXPECT_EQ(world.data, image.row(3) + 2 * 4);
    EXPECT_EQ(world.rowbytes, image.rowBytes());
    EXPECT_EQ(world.world_flags, 0);
    // Clipped to the image; nothing left: no pixels.
    EXPECT_EQ(image.world(PF_LRect{0, 0, 50, 50}).data, nullptr);
    EXPECT_EQ(image.world(PF_LRect{105, 55, 200, 200}).width, 5);
}

TEST(HostImage, SixteenBitWorldsAreDeep) {
    HostImage image(1, 1, 16);
    EXPECT_EQ(image.world().world_flags & PF_WorldFlag_DEEP, PF_WorldFlag_DEEP);
}

TEST(HostImage, ConvertsBetweenDepthsToTheNearestStep) {
    HostImage image(3, 1, 8);
    const int values[3] = {0, 128, 255};
    for (int x = 0; x < 3; ++x) {
        for (int c = 0; c < 4; ++c) {
            image.setChannel(x, 0, c, values[x]);
        }
    }
    const HostImage deep = image.converted(16);
    const HostImage flt = image.converted(32);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(deep.channel(x, 0, 1), std::floor(values[x] * 32768.0 / 255.0 + 0.5));
        EXPECT_FLOAT_EQ(float(flt.channel(x, 0, 2)), float(values[x] / 255.0));
    }
    const HostImage back = deep.converted(8);
    EXPECT_EQ(back.pixelBytesPacked(), image.pixelBytesPacked());
    EXPECT_TRUE(deep.paddingIntact());
}

TEST(HostImage, FloatToIntegerClamps) {
    HostImage image(2, 1, 32);
    image.setChannel(0, 0, 1, 1.7);
    image.setChannel(1, 0, 1, -0.3);
    const HostImage bytes = image.converted(8);
    EXPECT_EQ(bytes.channel(0, 0, 1), 255);
    EXPECT_EQ(bytes.channel(1, 0, 1), 0);
}

TEST(HostImage, NotANumberBecomesZeroAtTheIntegerDepths) {
    HostImage image(4, 1, 32);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    image.setChannel(0, 0, 0, nan);
    image.setChannel(1, 0, 1, -nan);
    image.setChannel(2, 0, 2, infinity);
    image.setChannel(3, 0, 3, -infinity);
    for (const int depth : {8, 16}) {
        const HostImage converted = image.converted(depth);
        EXPECT_EQ(converted.channel(0, 0, 0), 0) << depth;
        EXPECT_EQ(converted.channel(1, 0, 1), 0) << depth;
        EXPECT_EQ(converted.channel(2, 0, 2), HostImage::maxValue(depth)) << depth;
        EXPECT_EQ(converted.channel(3, 0, 3), 0) << depth;
    }
    // Set directly, too; a float image keeps what it is given.
    HostImage bytes(1, 1, 8);
    bytes.setChannel(0, 0, 1, 200);
    bytes.setChannel(0, 0, 1, nan);
    EXPECT_EQ(bytes.channel(0, 0, 1), 0);
    EXPECT_TRUE(std::isnan(image.channel(0, 0, 0)));
}

TEST(HostImage, RejectsAnUnknownDepth) {
    EXPECT_THROW(HostImage(1, 1, 12), HostError);
}

TEST(HostImage, DownsamplingAveragesBlocksAndKeepsThePartialOnesAtTheEdges) {
    HostImage image(5, 3, 8);
    image.setOrigin(10, 4);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            image.setChannel(x, y, 1, 10.0 * x + y); // red
            image.setChannel(x, y, 0, 255.0);
        }
    }
    const HostImage half = image.downsampled(2, 2);
    ASSERT_EQ(half.width(), 3);
    ASSERT_EQ(half.height(), 2);
    EXPECT_EQ(half.originX(), 5);
    EXPECT_EQ(half.originY(), 2);
    EXPECT_EQ(half.channel(0, 0, 1), 6.0);  // 0, 10, 1, 11: 5.5 rounds up
    EXPECT_EQ(half.channel(1, 0, 1), 26.0); // 20, 30, 21, 31
    EXPECT_EQ(half.channel(2, 0, 1), 41.0); // 40, 41: the last column alone
    EXPECT_EQ(half.channel(0, 1, 1), 7.0);  // 2, 12: the last row alone
    EXPECT_EQ(half.channel(2, 1, 1), 42.0);
    EXPECT_EQ(half.channel(1, 1, 0), 255.0);
    EXPECT_TRUE(half.paddingIntact());

    HostImage floats(3, 1, 32);
    floats.setChannel(0, 0, 2, 0.25);
    floats.setChannel(1, 0, 2, 0.5);
    floats.setChannel(2, 0, 2, -1.0);
    const HostImage third = floats.downsampled(3, 1);
    ASSERT_EQ(third.width(), 1);
    EXPECT_EQ(third.channel(0, 0, 2), double(float(-0.25 / 3.0))); // float is averaged as it is, unrounded
    EXPECT_EQ(image.downsampled(1, 1).pixelBytesPacked(), image.pixelBytesPacked());
    EXPECT_THROW(image.downsampled(0, 2), HostError);
}

} // namespace
} // namespace kvhost

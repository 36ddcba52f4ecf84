#include "tests/framework/ImageCopy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace korvane {
namespace {

constexpr std::uint8_t kUnwritten = 0xEE;

// A buffer of w x h pixels of 4 channels at a depth, with padding after every row.
struct Buffer {
    Buffer(std::int32_t w, std::int32_t h, std::int32_t depth, std::int32_t originX, std::int32_t originY) {
        pixelBytes = depth == 8 ? 4 : depth == 16 ? 8 : 16;
        desc.width = w;
        desc.height = h;
        desc.depth = depth;
        desc.originX = originX;
        desc.originY = originY;
        desc.rowBytes = w * pixelBytes + 12;
        desc.present = 1;
        bytes.assign(std::size_t(desc.rowBytes) * std::size_t(h), kUnwritten);
        desc.pixels = bytes.data();
    }
    std::uint8_t* pixel(std::int32_t x, std::int32_t y) {
        return bytes.data() + std::size_t(y) * std::size_t(desc.rowBytes) +
               std::size_t(x) * std::size_t(pixelBytes);
    }
    std::int32_t pixelBytes;
    std::vector<std::uint8_t> bytes;
    ImageDesc desc;
};

TEST(ImageCopy, OverlapIsCopiedTheRestClearedAndPaddingLeftAlone) {
    for (std::int32_t depth : {8, 16, 32}) {
        // The input covers layer columns 2..5 and rows 1..3; the output columns 0..5 and rows 0..3.
        Buffer input(4, 3, depth, 2, 1);
        Buffer output(6, 4, depth, 0, 0);
        for (std::int32_t y = 0; y < 3; ++y) {
            for (std::int32_t x = 0; x < 4; ++x) {
                for (std::int32_t b = 0; b < input.pixelBytes; ++b) {
                    input.pixel(x, y)[b] = std::uint8_t(1 + x + 10 * y);
                }
            }
        }
        ASSERT_TRUE(copyImage(input.desc, output.desc));
        for (std::int32_t y = 0; y < 4; ++y) {
            for (std::int32_t x = 0; x < 6; ++x) {
                const bool inside = x >= 2 && y >= 1;
                const std::uint8_t expected = inside ? std::uint8_t(1 + (x - 2) + 10 * (y - 1)) : 0;
                for (std::int32_t b = 0; b < output.pixelBytes; ++b) {
                    EXPECT_EQ(output.pixel(x, y)[b], expected) << depth << " " << x << "," << y;
                }
            }
            for (std::int32_t b = 6 * output.pixelBytes; b < output.desc.rowBytes; ++b) {
                EXPECT_EQ(output.bytes[std::size_t(y) * std::size_t(output.desc.rowBytes) + std::size_t(b)],
                          kUnwritten);
            }
        }
    }
}

TEST(ImageCopy, InputLeftOfAndAboveTheOutput) {
    Buffer input(4, 4, 8, -2, -1);
    Buffer output(3, 2, 8, 0, 0);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            input.pixel(x, y)[0] = std::uint8_t(x + 4 * y);
        }
    }
    ASSERT_TRUE(copyImage(input.desc, output.desc));
    // output (x, y) is input (x + 2, y + 1) while that exists
    EXPECT_EQ(output.pixel(0, 0)[0], 2 + 4 * 1);
    EXPECT_EQ(output.pixel(1, 1)[0], 3 + 4 * 2);
    EXPECT_EQ(output.pixel(2, 0)[0], 0); // beyond the input's right edge
}

TEST(ImageCopy, MismatchedOrUnknownDepthWritesNothing) {
    Buffer input(2, 2, 8, 0, 0);
    Buffer output(2, 2, 16, 0, 0);
    EXPECT_FALSE(copyImage(input.desc, output.desc));
    output.desc.depth = 64;
    input.desc.depth = 64;
    EXPECT_FALSE(copyImage(input.desc, output.desc));
    for (std::uint8_t b : output.bytes) {
        EXPECT_EQ(b, kUnwritten);
    }
}

TEST(ImageCopy, AbsentInputClearsTheOutput) {
    Buffer input(2, 2, 8, 0, 0);
    input.desc.present = 0;
    Buffer output(2, 2, 8, 0, 0);
    ASSERT_TRUE(copyImage(input.desc, output.desc));
    EXPECT_EQ(output.pixel(1, 1)[3], 0);
    EXPECT_EQ(output.bytes.back(), kUnwritten);
}

} // namespace
} // namespace korvane

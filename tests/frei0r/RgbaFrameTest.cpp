// frei0r's RGBA8888 frames to the host's ARGB pixels and back: every byte lands in its own channel.
#include "host/frei0r/RgbaFrame.h"

#include "host/HostError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kvhost {
namespace {

// A frame as bytes in memory order, four per pixel.
std::vector<std::uint32_t> frameOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint32_t> frame(bytes.size() / 4);
    std::memcpy(frame.data(), bytes.data(), bytes.size());
    return frame;
}

std::vector<std::uint8_t> bytesOf(const std::vector<std::uint32_t>& frame) {
    std::vector<std::uint8_t> bytes(frame.size() * 4);
    std::memcpy(bytes.data(), frame.data(), bytes.size());
    return bytes;
}

TEST(RgbaFrame, RedGreenBlueAlphaBytesBecomeTheHostsAlphaRedGreenBlue) {
    // Two rows of three pixels, every byte distinct.
    const std::vector<std::uint8_t> bytes = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                             13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const HostImage image = hostImageFromRgba(frameOf(bytes).data(), 3, 2);
    ASSERT_EQ(image.depth(), 8);
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 2);
    const PF_Pixel first = image.at<PF_Pixel>(0, 0);
    EXPECT_EQ(first.red, 1);
    EXPECT_EQ(first.green, 2);
    EXPECT_EQ(first.blue, 3);
    EXPECT_EQ(first.alpha, 4);
    const PF_Pixel last = image.at<PF_Pixel>(2, 1);
    EXPECT_EQ(last.red, 21);
    EXPECT_EQ(last.green, 22);
    EXPECT_EQ(last.blue, 23);
    EXPECT_EQ(last.alpha, 24);
    // The second row starts right after the first: frames have no row padding.
    EXPECT_EQ(image.at<PF_Pixel>(0, 1).red, 13);
    EXPECT_TRUE(image.paddingIntact());
}

TEST(RgbaFrame, HostPixelsGoBackInRedGreenBlueAlphaOrder) {
    HostImage image(2, 1, 8);
    image.at<PF_Pixel>(0, 0) = PF_Pixel{40, 10, 20, 30};
    image.at<PF_Pixel>(1, 0) = PF_Pixel{255, 0, 128, 7};
    std::vector<std::uint32_t> frame(2, 0xDEADBEEFu);
    rgbaFromHostImage(image, frame.data());
    EXPECT_EQ(bytesOf(frame), (std::vector<std::uint8_t>{10, 20, 30, 40, 0, 128, 7, 255}));
}

TEST(RgbaFrame, EveryByteValueInEveryPositionComesBackUnchanged) {
    // 256 pixels per row, four rows: each position of each pixel runs through all 256 values.
    constexpr int kWidth = 256;
    constexpr int kHeight = 4;
    std::vector<std::uint8_t> bytes(std::size_t(kWidth) * kHeight * 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t((i / 4 + (i % 4) * 67 + i / (kWidth * 4) * 13) & 255);
    }
    const std::vector<std::uint32_t> in = frameOf(bytes);
    std::vector<std::uint32_t> out(in.size());
    rgbaFromHostImage(hostImageFromRgba(in.data(), kWidth, kHeight), out.data());
    EXPECT_EQ(bytesOf(out), bytes);
}

TEST(RgbaFrame, OnlyEightBitImagesMakeFrames) {
    HostImage deep(1, 1, 16);
    std::uint32_t frame = 0;
    EXPECT_THROW(rgbaFromHostImage(deep, &frame), HostError);
}

} // namespace
} // namespace kvhost

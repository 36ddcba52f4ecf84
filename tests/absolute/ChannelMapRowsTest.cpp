// The kernels that apply the per-channel maps to a row: every kernel this processor runs against each value
// looked up one at a time here, on every byte value, on 16-bit values at and above white, on random rows of
// every tail length, misaligned and in place; and the render with padded rows against the pixel-by-pixel
// path.
#include "absolute/ChannelMapRows.h"
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace korvane::testing {
namespace {

using absolute::MapRowKernel;

template <class Value>
constexpr std::size_t kLength = sizeof(Value) == 1 ? 256 : 32769;

// Random maps over the whole value range (not only up to white), so that a kernel that drops or mixes up
// bits of an entry, or reads another channel's map or a neighbouring entry, stores something else.
template <class Value>
std::vector<Value> randomMaps(std::mt19937& rng) {
    std::vector<Value> maps(absolute::channelMapStorage(kLength<Value>));
    std::uniform_int_distribution<std::uint32_t> any(0, (1U << (8 * sizeof(Value))) - 1);
    for (Value& entry : maps) {
        entry = Value(any(rng));
    }
    return maps;
}

// Value i of a row (channel i % 4) holding `input`, looked up by hand; 16-bit values above white read
// white's entry.
template <class Value>
Value expectedAt(const std::vector<Value>& maps, std::size_t i, Value input) {
    constexpr std::size_t kWhite = kLength<Value> - 1;
    return maps[(i % 4) * kLength<Value> + std::min(std::size_t(input), kWhite)];
}

// Runs every kernel over `pixels` pixels of `source` starting `first` values in, into a target whose values
// outside the row hold a guard that must survive; in place as well.
template <class Value>
void expectEveryKernelMatches(const std::vector<Value>& maps, const std::vector<Value>& source,
                              std::size_t first, std::int32_t pixels, const std::string& what) {
    constexpr Value kGuard = Value(0xA5);
    const std::size_t count = std::size_t(pixels) * 4;
    for (const MapRowKernel kernel : absolute::mapRowKernels(sizeof(Value))) {
        SCOPED_TRACE(std::string(absolute::mapRowKernelName(kernel)) + ", " + what + ", " +
                     std::to_string(pixels) + " pixels from value " + std::to_string(first));
        std::vector<Value> target(source.size() + 64, kGuard);
        absolute::mapRow(kernel, maps.data(), source.data() + first, target.data() + first, pixels);
        std::vector<Value> inPlace = source;
        absolute::mapRow(kernel, maps.data(), inPlace.data() + first, inPlace.data() + first, pixels);
        for (std::size_t i = 0; i < target.size(); ++i) {
            if (i < first || i >= first + count) {
                ASSERT_EQ(target[i], kGuard) << "value " << i << " outside the row was written";
                continue;
            }
            // The row's values are counted from its first pixel.
            const Value expectedInRow = expectedAt(maps, i - first, source[i]);
            ASSERT_EQ(target[i], expectedInRow) << "value " << i - first << " (input " << source[i] << ")";
            ASSERT_EQ(inPlace[i], expectedInRow) << "in place, value " << i - first;
        }
    }
}

TEST(MapRows, EveryEightBitValueInEveryChannel) {
    std::mt19937 rng(81);
    const auto maps = randomMaps<std::uint8_t>(rng);
    // Pixel p holds p, p + 1, p + 2, p + 3 (mod 256): every value reaches every channel.
    std::vector<std::uint8_t> source(256 * 4);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = std::uint8_t(i / 4 + i % 4);
    }
    expectEveryKernelMatches(maps, source, 0, 256, "every value");
    // One pixel in: the row no longer starts on a vector boundary, and the tail is 15 pixels.
    expectEveryKernelMatches(maps, source, 4, 255, "every value, misaligned");
}

TEST(MapRows, SixteenBitValuesAtAndAboveWhite) {
    std::mt19937 rng(16);
    const auto maps = randomMaps<std::uint16_t>(rng);
    // Every 16-bit value in every channel: 0, white (32768), white + 1 and the largest among them.
    std::vector<std::uint16_t> source(65536 * 4);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = std::uint16_t(i / 4 + i % 4 * 16411);
    }
    expectEveryKernelMatches(maps, source, 0, 65536, "every value");
    const std::vector<std::uint16_t> edges = {0,     1, 32767, 32768, 32769, 40000, 65534, 65535,
                                              32768, 0, 65535, 32769, 1,     32767, 16384, 32768};
    expectEveryKernelMatches(maps, edges, 0, 4, "edges");
    expectEveryKernelMatches(maps, edges, 4, 3, "edges, misaligned");
}

template <class Value>
void expectRandomRowsOfEveryLengthMatch(std::uint32_t seed) {
    std::mt19937 rng(seed);
    const auto maps = randomMaps<Value>(rng);
    std::uniform_int_distribution<std::uint32_t> any(0, (1U << (8 * sizeof(Value))) - 1);
    std::vector<Value> source(4 * 200);
    for (Value& v : source) {
        v = Value(any(rng));
    }
    // Every length up to a few vectors (all tails), then odd lengths from odd starting pixels.
    for (std::int32_t pixels = 0; pixels <= 70; ++pixels) {
        expectEveryKernelMatches(maps, source, 0, pixels, "random");
    }
    for (std::int32_t pixels : {97, 131, 199}) {
        expectEveryKernelMatches(maps, source, 4, pixels, "random, misaligned");
    }
}

TEST(MapRows, RandomRowsOfEveryTailLength) {
    expectRandomRowsOfEveryLengthMatch<std::uint8_t>(8);
    expectRandomRowsOfEveryLengthMatch<std::uint16_t>(1616);
}

// Says which vector kernels this processor runs, and fails to pass silently when it runs none: the tests
// above then covered the plain loop only.
TEST(MapRows, VectorKernelsOfThisProcessor) {
    std::string names;
    for (const std::size_t bytes : {1U, 2U}) {
        const std::vector<MapRowKernel> kernels = absolute::mapRowKernels(bytes);
        EXPECT_EQ(kernels.front(), MapRowKernel::Plain) << "the plain loop runs everywhere";
        for (const MapRowKernel kernel : kernels) {
            names += std::string(names.empty() ? "" : "; ") + std::to_string(8 * bytes) + "-bit " +
                     absolute::mapRowKernelName(kernel);
        }
    }
    std::cout << "Map row kernels tested on this processor: " << names << "\n";
    RecordProperty("kernels", names);
    const bool bytePermute = absolute::mapRowKernels(1).back() == MapRowKernel::BytePermute;
    const bool gather = absolute::mapRowKernels(2).back() == MapRowKernel::Gather;
    if (!bytePermute || !gather) {
        GTEST_SKIP() << "this processor lacks " << (bytePermute ? "" : "AVX-512 VBMI (8-bit byte permute) ")
                     << (gather ? "" : "AVX-512 BW/VL (16-bit gather) ")
                     << "so those kernels were not tested here";
    }
}

// The render through maps on rows padded beyond their pixels, of an odd width: every stored pixel as the
// pixel-by-pixel path (a histogram shown) stores it, and the padding left as it was.
template <class Pixel>
void expectPaddedRowsMatchPixelwise(std::uint32_t seed) {
    using Value = typename Pixel::Value;
    constexpr std::int32_t kWidth = 37;
    constexpr std::int32_t kHeight = 9;
    constexpr std::int32_t kRowPixels = 45;
    constexpr Value kGuard = Value(0x5A);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::uint32_t> any(0, (1U << (8 * sizeof(Value))) - 1);
    std::vector<Pixel> input(std::size_t(kRowPixels) * kHeight);
    for (Pixel& p : input) {
        for (Value& v : p.channel) {
            v = Value(any(rng));
        }
    }
    if constexpr (sizeof(Value) == 2) {
        // White, one above and the largest value in every channel somewhere.
        const Value edges[] = {0, 32767, 32768, 32769, 65535};
        for (std::size_t i = 0; i < 5; ++i) {
            for (Value& v : input[i].channel) {
                v = edges[i];
            }
        }
    }
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.05}, {0.4, 0.6}, {1.0, 0.9}});
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.2}, {1.0, 0.8}});
    settings.curves.curves[kChannelBlue] = makeCurve({{0.0, 1.0}, {1.0, 0.0}});
    settings.curves.curves[kChannelAlpha] = makeCurve({{0.0, 0.0}, {0.5, 0.7}, {1.0, 1.0}});
    const auto render = [&](std::int32_t histogramMode) {
        std::vector<Pixel> output(input.size());
        for (Pixel& p : output) {
            for (Value& v : p.channel) {
                v = kGuard;
            }
        }
        FilterHost host(2);
        absolute::RgbaCurvesFilter<Pixel> filter(host);
        filter.setCurves(settings.curves);
        absolute::HistogramArrays histograms{};
        filter.setHistogram(histogramMode, 3, 0.0, 1.0, &histograms);
        auto in = PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, input.data());
        auto out = PixelArray<Pixel>::overScratch(kWidth, kHeight, 0, 0, output.data());
        in.rowBytes = out.rowBytes = kRowPixels * std::int32_t(sizeof(Pixel));
        filter.setImages(in, out);
        EXPECT_EQ(filter.apply(0, 1), 0);
        return output;
    };
    const std::vector<Pixel> byMaps = render(0);
    const std::vector<Pixel> byPixels = render(2);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kRowPixels; ++x) {
            const std::size_t i = std::size_t(y) * kRowPixels + std::size_t(x);
            for (int c = 0; c < 4; ++c) {
                if (x >= kWidth) {
                    ASSERT_EQ(byMaps[i].channel[c], kGuard) << "padding of row " << y << " written";
                } else {
                    ASSERT_EQ(byMaps[i].channel[c], byPixels[i].channel[c])
                        << "pixel " << x << ", " << y << " channel " << c << " input " << input[i].channel[c];
                }
            }
        }
    }
}

TEST(MapRows, PaddedRowsOfOddWidthMatchThePixelByPixelRender) {
    expectPaddedRowsMatchPixelwise<Pixel8>(37);
    expectPaddedRowsMatchPixelwise<Pixel16>(3737);
}

} // namespace
} // namespace korvane::testing

// The hue entries found by comparison against the entry boundaries and the 8-bit saturation entries read
// from a table of sum and lowest channel, against the straightforward entries (the inverse cosine and the
// saturation per colour): every 8-bit colour, and 16-bit colours at random, at 0, white (32768), one
// above it and the top of the channel, greys, and colours on the red = green line (whose hue is exactly 0
// or one half, on an entry boundary).
#include "relative/HueEntryFinder.h"
#include "relative/SaturationEntries.h"
#include "relative/TableIndex.h"

#include <gtest/gtest.h>

#include <random>

namespace korvane::testing {
namespace {

using relative::HueEntryFinder;

std::int32_t straightforwardEntry(double red, double green, double blue, std::int32_t max) {
    return relative::tableIndex(relative::hueSource(red, green, blue, double(max)), max);
}

TEST(HueEntryFinder, EveryEightBitColourHasTheStraightforwardEntry) {
    const HueEntryFinder finder(255);
    std::int64_t mismatches = 0;
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            for (int blue = 0; blue < 256; ++blue) {
                const std::int32_t expected = straightforwardEntry(red, green, blue, 255);
                const std::int32_t found = finder.entry(red, green, blue);
                if (found != expected && ++mismatches <= 5) {
                    ADD_FAILURE() << red << "," << green << "," << blue << ": " << found << " not "
                                  << expected;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(SaturationEntries, EveryEightBitColourHasTheStraightforwardEntry) {
    const relative::SaturationEntries entries;
    std::int64_t mismatches = 0;
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            for (int blue = 0; blue < 256; ++blue) {
                const auto expected =
                    relative::tableIndex(relative::saturationSource(red, green, blue, 255.0), 255);
                const std::int32_t found = entries.entry(red, green, blue);
                if (found != expected && ++mismatches <= 5) {
                    ADD_FAILURE() << red << "," << green << "," << blue << ": " << found << " not "
                                  << expected;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(HueEntryFinder, SixteenBitColoursHaveTheStraightforwardEntry) {
    constexpr std::int32_t kWhite = 32768;
    const HueEntryFinder finder(kWhite);
    std::vector<std::array<double, 3>> colours;
    const std::array<double, 7> special{0, 1, 16384, kWhite - 1, kWhite, kWhite + 1, 65535};
    for (const double r : special) {
        for (const double g : special) {
            for (const double b : special) {
                colours.push_back({r, g, b});
            }
        }
    }
    std::mt19937 random(2929);
    std::uniform_int_distribution<int> value(0, 65535);
    std::uniform_int_distribution<int> white(0, kWhite);
    for (int i = 0; i < 150000; ++i) {
        colours.push_back({double(value(random)), double(value(random)), double(value(random))});
        colours.push_back({double(white(random)), double(white(random)), double(white(random))});
        // Red equal to green: hue 0 or one half, on a boundary.
        const double c = white(random);
        colours.push_back({c, c, double(white(random))});
        colours.push_back({c, c, c});
        // Nearly equal red and green: just off those boundaries.
        colours.push_back({c, c + 1, double(white(random))});
    }
    for (const auto& [r, g, b] : colours) {
        ASSERT_EQ(finder.entry(r, g, b), straightforwardEntry(r, g, b, kWhite)) << r << "," << g << "," << b;
    }
}

} // namespace
} // namespace korvane::testing

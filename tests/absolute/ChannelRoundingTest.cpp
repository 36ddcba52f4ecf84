// Channel values rounded in vector lanes against the scalar store, value by value, at both integer depths.
#include "absolute/ChannelRounding.h"
#include "pixels/ChannelStore.h"
#include "pixels/PixelRGB.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace korvane::absolute {
namespace {

template <class Pixel>
void expectLanesEqualTheStore() {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {std::numeric_limits<double>::quiet_NaN(), inf, -inf, -0.0, 1e-320, -0.5, -0.4999,
                                  Pixel::kMax - 0.5, Pixel::kMax - 0.50000000000001, Pixel::kMax + 0.49,
                                  std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    for (int k = -40; k <= int(Pixel::kMax) * 4 + 40; ++k) {
        values.push_back(k / 4.0);
    }
    // Odd lengths leave a remainder of single lanes.
    for (const std::size_t length : {values.size(), values.size() - 1, std::size_t(3)}) {
        std::vector<double> rounded(values.begin(), values.begin() + std::ptrdiff_t(length));
        roundToChannelValues(rounded.data(), std::int32_t(length), Pixel::kMax);
        for (std::size_t i = 0; i < length; ++i) {
            const double expected = double(roundToChannel<Pixel>(values[i]));
            ASSERT_EQ(std::bit_cast<std::uint64_t>(rounded[i]), std::bit_cast<std::uint64_t>(expected))
                << values[i] << " gave " << rounded[i] << ", the store " << expected;
        }
    }
}

TEST(ChannelRounding, EveryQuarterAndTheExtremesRoundAsTheStoreAtBothIntegerDepths) {
    expectLanesEqualTheStore<Pixel8>();
    expectLanesEqualTheStore<Pixel16>();
}

} // namespace
} // namespace korvane::absolute

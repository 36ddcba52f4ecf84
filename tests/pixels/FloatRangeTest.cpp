#include "pixels/FloatRange.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace korvane {
namespace {

constexpr double kLargest = std::numeric_limits<float>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// What the store must receive for v, one value at a time.
double expectedFor(double v) {
    if (std::isfinite(v) && std::fabs(v) > kLargest) {
        return v > 0.0 ? kLargest : -kLargest;
    }
    return v;
}

TEST(FloatRange, FiniteValuesBeyondTheFloatRangeBecomeTheLargestFloatOfTheirSign) {
    const std::vector<double> samples{0.0,
                                      -0.0,
                                      0.5,
                                      -3.25,
                                      1e-300,
                                      kLargest,
                                      -kLargest,
                                      std::nextafter(kLargest, kInfinity),
                                      -std::nextafter(kLargest, kInfinity),
                                      1e39,
                                      -1e300,
                                      std::numeric_limits<double>::max(),
                                      kInfinity,
                                      -kInfinity,
                                      std::numeric_limits<double>::quiet_NaN()};
    // Every count from 0 to 3 runs through, so that each value meets the full lanes and the tail.
    for (std::size_t shift = 0; shift < samples.size(); ++shift) {
        std::vector<double> values;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            values.push_back(samples[(i + shift) % samples.size()]);
        }
        for (std::int32_t count : {std::int32_t(values.size()), 3, 1, 0}) {
            std::vector<double> run = values;
            keepWithinFloatRange(run.data(), count);
            for (std::size_t i = 0; i < run.size(); ++i) {
                const double want = i < std::size_t(count) ? expectedFor(values[i]) : values[i];
                if (std::isnan(want)) {
                    EXPECT_TRUE(std::isnan(run[i])) << shift << ' ' << i;
                } else {
                    // Bit for bit, so that -0 stays -0.
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(run[i]), std::bit_cast<std::uint64_t>(want))
                        << shift << ' ' << i << ' ' << values[i];
                }
            }
        }
    }
}

} // namespace
} // namespace korvane

// The integer tent lines in SIMD lanes against the exact line reference, on every instruction set this
// processor can run: each lane is a line of its own, at 8 and 16 bits, truncating and rounding half up.
#include "tests/support/TentReference.h"

#include "pixels/IntegerTent.h"
#include "pixels/TentKernel.h"
#include "pixels/TentLanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace korvane::testing {
namespace {

using tent::LaneTarget;

constexpr int kLanes = 48; // three blocks of 16 values

const char* targetName(LaneTarget target) {
    switch (target) {
    case LaneTarget::Avx2:
        return "AVX2";
    case LaneTarget::Sse4:
        return "SSE4";
    case LaneTarget::Portable:
        return "portable";
    }
    return "?";
}

template <class Value>
struct LaneCase {
    std::int64_t length;
    std::vector<Value> blocks; // position i holds the kLanes values of every line at i
    std::vector<std::vector<std::int64_t>> lines;
};

template <class Value>
LaneCase<Value> randomLines(std::int64_t length, std::int32_t maxValue, std::mt19937& rng) {
    LaneCase<Value> c{length, std::vector<Value>(std::size_t(length * kLanes)), {}};
    std::uniform_int_distribution<std::int32_t> value(0, maxValue);
    c.lines.assign(kLanes, std::vector<std::int64_t>(std::size_t(length)));
    for (std::int64_t i = 0; i < length; ++i) {
        for (int lane = 0; lane < kLanes; ++lane) {
            // Some lanes hold one value throughout, the rest noise or the extremes.
            const std::int32_t v = lane % 8 == 0 ? maxValue : lane % 8 == 1 ? 100 : value(rng);
            c.blocks[std::size_t(i * kLanes + lane)] = Value(v);
            c.lines[std::size_t(lane)][std::size_t(i)] = v;
        }
    }
    return c;
}

// Runs the lanes over the whole line in chunks of `chunk` outputs, as the blur does.
template <class Value>
std::vector<Value> runInLanes(LaneTarget target, const LaneCase<Value>& c, const IntegerTent& integerTent,
                              std::int64_t chunk) {
    tent::LaneRun run;
    run.depth = sizeof(Value) == 1 ? tent::SampleDepth::Eight : tent::SampleDepth::Sixteen;
    run.values = kLanes;
    run.blocks = {reinterpret_cast<const std::byte*>(c.blocks.data()), std::ptrdiff_t(kLanes * sizeof(Value)),
                  c.length, 0};
    run.tent = &integerTent;
    auto sums = std::make_unique<tent::LaneSums>();
    std::vector<Value> out(c.blocks.size(), Value(0xAB));
    tent::primeLanesOn(target, run, *sums);
    for (std::int64_t first = 0; first < c.length; first += chunk) {
        const std::int64_t end = std::min(c.length, first + chunk);
        tent::runLanesOn(target, run, *sums, first, end,
                         reinterpret_cast<std::byte*>(out.data() + first * kLanes),
                         std::ptrdiff_t(kLanes * sizeof(Value)));
    }
    return out;
}

template <class Value>
void expectLanesMatchTheReference(std::int32_t maxValue) {
    const RationalRadius radii[] = {{0, 1},  {1, 1},          {3, 2},   {29, 4},
                                    {3, 10}, {99999, 100000}, {137, 4}, {50, 1}};
    const std::int64_t lengths[] = {1, 2, 7, 64, 301};
    std::mt19937 rng(4711);
    for (const LaneTarget target : {LaneTarget::Avx2, LaneTarget::Sse4, LaneTarget::Portable}) {
        if (!tent::laneTargetAvailable(target)) {
            continue;
        }
        for (const bool halfUp : {false, true}) {
            for (const RationalRadius radius : radii) {
                const IntegerTent integerTent =
                    IntegerTent::forKernel(TentKernel::forRadius(radius.value()),
                                           std::int32_t(std::numeric_limits<Value>::max()), maxValue, halfUp);
                if (integerTent.form == IntegerTent::Form::Unsupported) {
                    continue;
                }
                for (const std::int64_t length : lengths) {
                    const auto c = randomLines<Value>(length, maxValue, rng);
                    for (const std::int64_t chunk : {length, std::int64_t(5)}) {
                        const auto out = runInLanes(target, c, integerTent, chunk);
                        for (int lane = 0; lane < kLanes; ++lane) {
                            const auto want = exactTentLine(c.lines[std::size_t(lane)], radius, halfUp);
                            for (std::int64_t i = 0; i < length; ++i) {
                                ASSERT_EQ(std::int64_t(out[std::size_t(i * kLanes + lane)]),
                                          want[std::size_t(i)])
                                    << targetName(target) << ", " << (halfUp ? "half up" : "truncating")
                                    << ", radius " << radius.value() << ", length " << length << ", chunk "
                                    << chunk << ", lane " << lane << ", position " << i;
                            }
                        }
                    }
                }
            }
        }
    }
}

TEST(TentLanes, EightBitLinesMatchTheExactTentOnEveryTarget) {
    expectLanesMatchTheReference<std::uint8_t>(255);
}

TEST(TentLanes, SixteenBitLinesMatchTheExactTentOnEveryTarget) {
    expectLanesMatchTheReference<std::uint16_t>(32768);
}

TEST(TentLanes, PortableLanesAreAlwaysThere) {
    EXPECT_TRUE(tent::laneTargetAvailable(LaneTarget::Portable));
    EXPECT_TRUE(tent::laneTargetAvailable(tent::bestLaneTarget()));
}

} // namespace
} // namespace korvane::testing

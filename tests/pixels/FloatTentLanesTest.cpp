// Float tent lines in lanes of doubles against the per-line path, bit for bit, on every instruction set this
// processor can run; and the float blur's passes, which run in those lanes, against the per-line path's
// passes over the same images.
#include "tests/support/TestImage.h"

#include "pixels/FloatTentLanes.h"
#include "pixels/GlowFilter.h"
#include "pixels/TentLine.h"
#include "tests/framework/FilterHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace korvane::testing {
namespace {

using tent::LaneTarget;

// One float channel: a lane's line run through the per-line path on its own.
struct OneFloat {
    using Value = float;
    static constexpr int kChannelCount = 1;
    static constexpr bool kIsFloat = true;
    float channel[1];
};

constexpr float kInf = std::numeric_limits<float>::infinity();

// Samples of lane `lane` of line `line` at position i: noise, with lanes of a kind that breaks sums kept
// in the wrong order or lost bits: constants, zeros of both signs, huge and tiny magnitudes, values that
// cancel, and infinities and NaNs in some lines.
float sampleOf(int kind, std::int64_t i, std::mt19937& rng) {
    std::uniform_real_distribution<float> noise(-0.25f, 1.5f);
    switch (kind) {
    case 0:
        return 0.7f;
    case 1:
        return i % 2 == 0 ? -0.0f : 0.0f;
    case 2:
        return noise(rng) * 3.0e37f;
    case 3:
        return noise(rng) * 1.0e-39f; // subnormal
    case 4:
        return i % 3 == 0 ? 1.0e20f : -1.0e20f + noise(rng);
    case 5:
        return i == 2 ? kInf : noise(rng);
    case 6:
        return i == 0 ? std::numeric_limits<float>::quiet_NaN() : noise(rng);
    case 7:
        return i == 1 ? -kInf : i == 3 ? kInf : noise(rng);
    default:
        return noise(rng) * 1000.0f;
    }
}

const char* targetName(LaneTarget target) {
    return target == LaneTarget::Avx2 ? "AVX2" : target == LaneTarget::Sse4 ? "SSE4" : "portable";
}

TEST(FloatTentLanes, EveryLaneIsThePerLinePathBitForBit) {
    const double radii[] = {0.0, 0.3, 1.0, 1.5, 2.0, 7.25, 2.3718, 50.0};
    const std::int64_t lengths[] = {1, 2, 3, 7, 64, 131};
    const int valueCounts[] = {1, 4, 5, 7};
    const int lineCounts[] = {1, 3, 8};
    std::mt19937 rng(2917);
    auto sums = std::make_unique<tent::FloatLaneSums>();
    for (const LaneTarget target : {LaneTarget::Avx2, LaneTarget::Sse4, LaneTarget::Portable}) {
        if (!tent::laneTargetAvailable(target)) {
            continue;
        }
        for (const int lines : lineCounts) {
            for (const int values : valueCounts) {
                for (const std::int64_t length : lengths) {
                    for (const double radius : radii) {
                        // Blocks padded by two floats that the lanes must neither read into a line nor write.
                        const int stride = values + 2;
                        std::vector<std::vector<float>> in(static_cast<std::size_t>(lines));
                        std::vector<std::vector<float>> out(static_cast<std::size_t>(lines));
                        tent::FloatLaneRun run;
                        run.lines = lines;
                        run.values = values;
                        run.length = length;
                        run.inStride = std::ptrdiff_t(stride * sizeof(float));
                        run.outStride = run.inStride;
                        run.kernel = TentKernel::forRadius(radius);
                        for (int j = 0; j < lines; ++j) {
                            in[std::size_t(j)].assign(std::size_t(length * stride), 12345.0f);
                            out[std::size_t(j)].assign(std::size_t(length * stride), -777.0f);
                            for (std::int64_t i = 0; i < length; ++i) {
                                for (int v = 0; v < values; ++v) {
                                    in[std::size_t(j)][std::size_t(i * stride + v)] =
                                        sampleOf((j * values + v) % 9, i, rng);
                                }
                            }
                            run.in[j] = reinterpret_cast<const std::byte*>(in[std::size_t(j)].data());
                            run.out[j] = reinterpret_cast<std::byte*>(out[std::size_t(j)].data());
                        }
                        bool nonFinite[tent::kMaxFloatLaneValues];
                        tent::runFloatLanesOn(target, run, *sums, nonFinite);
                        for (int j = 0; j < lines; ++j) {
                            for (int v = 0; v < values; ++v) {
                                const std::byte* base =
                                    reinterpret_cast<const std::byte*>(in[std::size_t(j)].data() + v);
                                const PixelLine<OneFloat> line{const_cast<std::byte*>(base), run.inStride};
                                std::vector<float> want(static_cast<std::size_t>(length));
                                tent::TentLineSums<OneFloat, false> perLine(line, length);
                                const bool finite =
                                    perLine.run(run.kernel, [&](std::int64_t x, int, double value) {
                                        want[std::size_t(x)] = float(value);
                                    });
                                const auto where = ::testing::Message()
                                                   << targetName(target) << ", " << lines << " lines of "
                                                   << values << " values, length " << length << ", radius "
                                                   << radius << ", line " << j << ", lane " << v;
                                ASSERT_EQ(nonFinite[j * values + v], !finite) << where;
                                for (std::int64_t x = 0; x < length; ++x) {
                                    const float got = out[std::size_t(j)][std::size_t(x * stride + v)];
                                    if (finite) {
                                        ASSERT_EQ(std::memcmp(&got, &want[std::size_t(x)], sizeof(float)), 0)
                                            << where << ", position " << x << ": got " << got << ", want "
                                            << want[std::size_t(x)];
                                    }
                                }
                            }
                            for (std::int64_t x = 0; x < length; ++x) {
                                for (int v = values; v < stride; ++v) {
                                    ASSERT_EQ(out[std::size_t(j)][std::size_t(x * stride + v)], -777.0f);
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}

// The float passes (lanes) against runEach over the per-line path's rows and columns, bit for bit; images
// with padded rows, infinities and NaNs in some, widths around the strips of 16 columns.
template <class Pixel>
void expectPassesMatchThePerLinePath() {
    struct Size {
        std::int32_t width;
        std::int32_t height;
    };
    const Size sizes[] = {{1, 1}, {3, 5}, {7, 2}, {20, 9}, {67, 6}, {130, 4}};
    const double radii[] = {0.0, 0.6, 1.0, 2.0, 3.5, 40.0};
    std::mt19937 rng(4242);
    FilterHost host(2);
    for (const Size size : sizes) {
        for (const double radius : radii) {
            for (const bool withNonFinite : {false, true}) {
                auto input = randomGrid<Pixel>(size.width, size.height, rng);
                if (withNonFinite) {
                    input.at(size.width / 2, size.height / 2)[0] = std::numeric_limits<double>::quiet_NaN();
                    input.at(size.width - 1, 0)[1] = std::numeric_limits<double>::infinity();
                    input.at(0, size.height - 1)[2] = -std::numeric_limits<double>::infinity();
                }
                TestImage<Pixel> source(size.width, size.height);
                source.fill(input);
                TestImage<Pixel> inLanes(size.width, size.height, 24);
                TestImage<Pixel> perLine(size.width, size.height, 8);
                GlowFilter<Pixel> filter(host);
                filter.setRadii(radius, radius + 0.25);
                const auto where = ::testing::Message() << size.width << " x " << size.height << ", radius "
                                                        << radius << (withNonFinite ? ", non-finite" : "");
                filter.setPassViews(source.view(), inLanes.view());
                ASSERT_EQ(filter.runHorizontalPass(), host.noError());
                filter.setPassViews(source.view(), perLine.view());
                ASSERT_EQ(filter.template runEach<&GlowFilter<Pixel>::blurRow>(filter.passRows()),
                          host.noError());
                ASSERT_TRUE(inLanes.samePixels(perLine)) << "rows, " << where;
                filter.setPassViews(source.view(), inLanes.view());
                ASSERT_EQ(filter.runVerticalPass(), host.noError());
                filter.setPassViews(source.view(), perLine.view());
                ASSERT_EQ(filter.template runEach<&GlowFilter<Pixel>::blurColumn>(filter.passColumns()),
                          host.noError());
                ASSERT_TRUE(inLanes.samePixels(perLine)) << "columns, " << where;
                EXPECT_TRUE(inLanes.paddingIntact());
                EXPECT_TRUE(source.paddingIntact());
            }
        }
    }
}

TEST(FloatTentLanes, FloatPassesAreThePerLinePathBitForBit) {
    expectPassesMatchThePerLinePath<PixelFloat>();
}

TEST(FloatTentLanes, AccumulationPassesAreThePerLinePathBitForBit) {
    expectPassesMatchThePerLinePath<AccumulationPixelFloat>();
}

} // namespace
} // namespace korvane::testing

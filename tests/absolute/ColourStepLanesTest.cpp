// The hue, saturation and brightness steps in vector lanes (the hue table's entries also found against their
// boundaries) against the same steps written pixel by pixel, bit for bit,
// over runs of lengths the lanes split unevenly, with black, grey, channels at 0, negatives and non-finite
// values.
#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HueEntries.h"
#include "curves/Curve.h"
#include "curves/KnotList.h"
#include "pixels/PixelRGB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace korvane::absolute {
namespace {

// A curve of the saturation that also leaves 0..1, so that the float step's clamp is taken.
struct BendLookup {
    double atUnit(double u) const { return 1.2 * u * u - 0.1; }
};

template <class Pixel>
void plainSaturationStep(const BendLookup& lookup, PixelRun& run) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double r = run.red[i];
        const double g = run.green[i];
        const double b = run.blue[i];
        const double mean = (r + g + b) * kThird;
        double dr = r - mean;
        double dg = g - mean;
        double db = b - mean;
        const double length = std::sqrt(dr * dr + dg * dg + db * db);
        if (length > 0.0) {
            dr /= length;
            dg /= length;
            db /= length;
        }
        const double lowest = std::min({dr, dg, db});
        if (!(mean != 0.0 && lowest < 0.0)) {
            continue;
        }
        const double s = (mean - std::min({r, g, b})) / mean;
        const double target = Pixel::kIsFloat ? std::clamp(lookup.atUnit(s), 0.0, 1.0)
                                              : lookup.atUnit(std::clamp(s, 0.0, 1.0));
        const double t = -(mean / lowest) * target;
        run.red[i] = mean + t * dr;
        run.green[i] = mean + t * dg;
        run.blue[i] = mean + t * db;
    }
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) || (std::isnan(a) && std::isnan(b));
}

// Runs of random colours in the depth's units, a tenth grey and a tenth with blue at 0; with `specials` a
// tenth hold a NaN, an infinity, a negative, a signed zero or a tiny value in one channel.
std::vector<PixelRun> randomRuns(double scale, bool specials) {
    std::mt19937_64 rng(7 + std::uint64_t(scale));
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_real_distribution<double> unit(-0.2, 1.2);
    const double specialValues[] = {0.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(), -1.0, 1e-300};
    std::vector<PixelRun> runs;
    for (const std::int32_t count : {1, 3, 4, 5, 7, 100, 255, 256}) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            PixelRun run;
            run.count = count;
            for (std::int32_t i = 0; i < count; ++i) {
                double* channels[] = {&run.red[i], &run.green[i], &run.blue[i]};
                const int k = kind(rng);
                for (double* c : channels) {
                    *c = std::round(unit(rng) * scale);
                }
                if (k == 0) {
                    run.green[i] = run.blue[i] = run.red[i];
                } else if (k == 1) {
                    run.blue[i] = 0.0;
                } else if (k == 2 && specials) {
                    *channels[i % 3] = specialValues[std::size_t(i) % std::size(specialValues)];
                }
                run.alpha[i] = 0.0;
            }
            runs.push_back(run);
        }
    }
    return runs;
}

void expectSameRuns(const PixelRun& lanes, const PixelRun& plain) {
    for (std::int32_t i = 0; i < lanes.count; ++i) {
        ASSERT_TRUE(sameBits(lanes.red[i], plain.red[i]) && sameBits(lanes.green[i], plain.green[i]) &&
                    sameBits(lanes.blue[i], plain.blue[i]))
            << "count " << lanes.count << " pixel " << i << ": " << lanes.red[i] << " " << lanes.green[i] << " "
            << lanes.blue[i] << " against " << plain.red[i] << " " << plain.green[i] << " " << plain.blue[i];
    }
}

template <class Pixel>
void expectLanesEqualPlain(double scale, bool specials) {
    for (const PixelRun& run : randomRuns(scale, specials)) {
        PixelRun lanes = run;
        PixelRun plain = run;
        saturationStep<Pixel>(BendLookup{}, lanes);
        plainSaturationStep<Pixel>(BendLookup{}, plain);
        expectSameRuns(lanes, plain);
    }
}

template <class Pixel, class Turn>
void plainHueStep(const Turn& turn, PixelRun& run) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double r = run.red[i];
        const double g = run.green[i];
        const double b = run.blue[i];
        double x = kHueX * r - kHueX * g;
        double y = kHueYRedGreen * (r + g) - kHueYBlue * b;
        const double c2 = x * x + y * y;
        if (c2 == 0.0) {
            continue;
        }
        const double c = std::sqrt(c2);
        x /= c;
        y /= c;
        double h = hueTurns(x, y);
        if constexpr (!Pixel::kIsFloat) {
            h = std::min(h, 1.0);
        }
        const HueTurn rotation = turn.at(h);
        const double yRotated = c * rotation.cosine;
        const double xRotated = c * rotation.sine;
        const double m = (r + g + b) * kGreyAxis * kGreyAxis;
        run.red[i] = m + kHueYRedGreen * yRotated + kHueX * xRotated;
        run.green[i] = m + kHueYRedGreen * yRotated - kHueX * xRotated;
        run.blue[i] = m - kHueYBlue * yRotated;
    }
}

template <class Pixel>
void expectHueLanesEqualPlain(double scale) {
    // A hue table that turns each hue by a third of a turn and a wobble.
    const auto last = std::int32_t(Pixel::kMax);
    std::vector<double> cosines(std::size_t(last) + 1);
    std::vector<double> sines(cosines.size());
    for (std::int32_t k = 0; k <= last; ++k) {
        const HueTurn turn = HueTableTurn::ofTableValue(float(k / double(last) + 1.0 / 3.0 + 0.01 * std::sin(k)));
        cosines[std::size_t(k)] = turn.cosine;
        sines[std::size_t(k)] = turn.sine;
    }
    const HueTableTurn table(cosines.data(), sines.data(), last);
    // The same table with its entries found by comparisons against their boundaries.
    std::vector<double> boundaryCosines(HueBoundaries::cosineCount(last));
    std::vector<std::int32_t> firstEntries(HueBoundaries::bucketCount(last));
    const HueBoundaries boundaries(last, boundaryCosines.data(), firstEntries.data());
    const HueTableTurn compared(cosines.data(), sines.data(), &boundaries);
    for (const bool specials : {false, true}) {
        for (const PixelRun& run : randomRuns(scale, specials)) {
            PixelRun plain = run;
            plainHueStep<Pixel>(table, plain);
            for (const HueTableTurn* turn : {&table, &compared}) {
                PixelRun lanes = run;
                hueStep<Pixel>(*turn, lanes);
                expectSameRuns(lanes, plain);
            }
        }
    }
}

template <class Pixel>
void plainBrightnessStep(const TableLookup& lookup, PixelRun& run) {
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double mean = std::clamp((run.red[i] + run.green[i] + run.blue[i]) * kThird, 0.0, Pixel::kMax);
        double f = lookup.atChannel(mean);
        if (mean != 0.0) {
            f /= mean;
        }
        run.red[i] *= f;
        run.green[i] *= f;
        run.blue[i] *= f;
    }
}

template <class Pixel>
void expectBrightnessLanesEqualPlain(double scale) {
    // A table that lifts black, so that a mean of 0 multiplies by the entry itself.
    const auto last = std::int32_t(Pixel::kMax);
    std::vector<float> table(std::size_t(last) + 1);
    for (std::int32_t k = 0; k <= last; ++k) {
        table[std::size_t(k)] = float(0.02 * last + 0.9 * k * std::sqrt(double(k) / last));
    }
    const TableLookup lookup(table.data(), last);
    for (const PixelRun& run : randomRuns(scale, true)) {
        PixelRun lanes = run;
        PixelRun plain = run;
        brightnessStep<Pixel>(lookup, lanes);
        plainBrightnessStep<Pixel>(lookup, plain);
        expectSameRuns(lanes, plain);
    }
}

TEST(BrightnessLanes, IntegerDepthsEqualThePixelByPixelStepBitForBit) {
    expectBrightnessLanesEqualPlain<Pixel8>(255.0);
    expectBrightnessLanesEqualPlain<Pixel16>(32768.0);
}

TEST(SaturationLanes, EveryDepthEqualsThePixelByPixelStepBitForBit) {
    expectLanesEqualPlain<Pixel8>(255.0, false);
    expectLanesEqualPlain<Pixel16>(32768.0, false);
    expectLanesEqualPlain<PixelFloat>(1.0, true);
}

TEST(HueLanes, IntegerDepthsEqualThePixelByPixelStepBitForBit) {
    expectHueLanesEqualPlain<Pixel8>(255.0);
    expectHueLanesEqualPlain<Pixel16>(32768.0);
}

TEST(HueLanes, FloatEqualsThePixelByPixelStepBitForBit) {
    Curve curve{};
    resetCurve(curve, 1.0);
    curve.loop = 1;
    curve.nodes[0].y = 0.2;
    recomputeHandles(curve, 1.0);
    const KnotList knots(curve, 1.0);
    const HueCurveTurn turn(&knots);
    for (const PixelRun& run : randomRuns(1.0, true)) {
        PixelRun lanes = run;
        PixelRun plain = run;
        hueStep<PixelFloat>(turn, lanes);
        plainHueStep<PixelFloat>(turn, plain);
        expectSameRuns(lanes, plain);
    }
}

} // namespace
} // namespace korvane::absolute

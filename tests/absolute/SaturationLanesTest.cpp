// The saturation step in vector lanes against the same step written pixel by pixel, bit for bit, over runs
// of every length the lanes split unevenly, with black, grey, channels at 0, negatives and non-finite values.
#include "absolute/CurveSteps.h"
#include "pixels/PixelRGB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

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

template <class Pixel>
void expectLanesEqualPlain(double scale, bool specials) {
    std::mt19937_64 rng(7 + std::uint64_t(scale));
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_real_distribution<double> unit(-0.2, 1.2);
    const double specialValues[] = {0.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(), -1.0, 1e-300};
    for (const std::int32_t count : {1, 3, 4, 5, 7, 100, 255, 256}) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            PixelRun lanes;
            lanes.count = count;
            for (std::int32_t i = 0; i < count; ++i) {
                double* channels[] = {&lanes.red[i], &lanes.green[i], &lanes.blue[i]};
                const int k = kind(rng);
                for (double* c : channels) {
                    *c = std::round(unit(rng) * scale);
                }
                if (k == 0) { // grey
                    lanes.green[i] = lanes.blue[i] = lanes.red[i];
                } else if (k == 1) { // a channel at 0
                    lanes.blue[i] = 0.0;
                } else if (k == 2 && specials) {
                    *channels[i % 3] = specialValues[std::size_t(i) % std::size(specialValues)];
                }
                lanes.alpha[i] = 0.0;
            }
            PixelRun plain = lanes;
            saturationStep<Pixel>(BendLookup{}, lanes);
            plainSaturationStep<Pixel>(BendLookup{}, plain);
            for (std::int32_t i = 0; i < count; ++i) {
                ASSERT_TRUE(sameBits(lanes.red[i], plain.red[i]) && sameBits(lanes.green[i], plain.green[i]) &&
                            sameBits(lanes.blue[i], plain.blue[i]))
                    << "count " << count << " pixel " << i << ": " << lanes.red[i] << " " << lanes.green[i]
                    << " " << lanes.blue[i] << " against " << plain.red[i] << " " << plain.green[i] << " "
                    << plain.blue[i];
            }
        }
    }
}

TEST(SaturationLanes, EveryDepthEqualsThePixelByPixelStepBitForBit) {
    expectLanesEqualPlain<Pixel8>(255.0, false);
    expectLanesEqualPlain<Pixel16>(32768.0, false);
    expectLanesEqualPlain<PixelFloat>(1.0, true);
}

} // namespace
} // namespace korvane::absolute

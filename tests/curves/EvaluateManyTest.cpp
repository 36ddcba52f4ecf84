// evaluateMany against evaluate, value by value, on every vector target the processor can run: random and
// hand-made curves, values before, inside and after the knots, NaN and infinities, ragged lengths, in place.
#include "CurveSamples.h"
#include "curves/KnotList.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace korvane {
namespace {

using test::emptyCurve;
using test::place;

// The vector path may differ from evaluate where a segment's cubic has three real roots (vector inverse
// cosine and cosines): by this much of max(1, |y|).
constexpr double kRelativeTolerance = 1e-6;

// Runs `body` once per vector target this processor supports and once on the fallback of processors
// without SSE4 (the baseline), each time with only that target allowed.
template <class Body>
void forEveryTarget(Body body) {
    const std::int64_t supported = hwy::SupportedTargets();
    for (const std::int64_t target :
         {std::int64_t(HWY_AVX2), std::int64_t(HWY_SSE4), std::int64_t(HWY_STATIC_TARGET)}) {
        if ((supported & target) == 0) {
            continue;
        }
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        body();
    }
    hwy::SetSupportedTargetsForTest(0);
}

void expectAgrees(const KnotList& knots, const std::vector<double>& in) {
    std::vector<double> out(in.size(), -12345.0);
    knots.evaluateMany(in.data(), out.data(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const double expected = knots.evaluate(in[i]);
        if (std::isnan(expected)) {
            ASSERT_TRUE(std::isnan(out[i])) << "x = " << in[i];
            continue;
        }
        if (expected == out[i]) {
            continue;
        }
        ASSERT_TRUE(std::isfinite(expected)) << "x = " << in[i] << " got " << out[i];
        ASSERT_LE(std::fabs(out[i] - expected), kRelativeTolerance * std::max(1.0, std::fabs(expected)))
            << "x = " << in[i] << " expected " << expected << " got " << out[i];
    }
}

std::vector<double> spread(double from, double to, int steps) {
    std::vector<double> values;
    for (int i = 0; i <= steps; ++i) {
        values.push_back(from + (to - from) * i / steps);
    }
    return values;
}

TEST(EvaluateMany, RandomCurvesAgreeWithEvaluateOnEveryTarget) {
    forEveryTarget([] {
        std::mt19937 rng(7041);
        std::uniform_real_distribution<double> wide(-0.5, 1.5);
        for (const double s : {0.0, 1.0}) {
            for (const bool loop : {false, true}) {
                for (int round = 0; round < 40; ++round) {
                    const Curve curve = test::randomCurve(rng, s, loop, 1 + round % 12);
                    const KnotList knots(curve, s);
                    std::vector<double> in = spread(-0.3, 1.3, 997);
                    for (int i = 0; i < 500; ++i) {
                        in.push_back(wide(rng));
                    }
                    // The knots themselves: the segment search's boundaries.
                    for (int k = 0; k < knots.count(); ++k) {
                        in.push_back(knots[k].x);
                        in.push_back(std::nextafter(knots[k].x, 2.0));
                        in.push_back(std::nextafter(knots[k].x, -2.0));
                    }
                    expectAgrees(knots, in);
                }
            }
        }
    });
}

TEST(EvaluateMany, NonFiniteValuesTakeTheExtensionsAsInEvaluate) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    forEveryTarget([&] {
        Curve rising = emptyCurve(1.0);
        place(rising, 0, 0.1, 0.2);
        place(rising, 1, 0.6, 0.5);
        place(rising, 2, 0.9, 0.95);
        recomputeHandles(rising, 1.0);
        Curve flatEnds = emptyCurve(1.0);
        place(flatEnds, 0, 0.2, 0.3).rightDy = 0.0;
        place(flatEnds, 1, 0.8, 0.7).leftDy = 0.0;
        for (const Curve& curve : {rising, flatEnds}) {
            const KnotList knots(curve, 1.0);
            expectAgrees(knots, {nan, kInf, -kInf, 0.5, nan, 1e300, -1e300, 0.15, 0.85, nan, 0.3});
        }
    });
}

TEST(EvaluateMany, RaggedLengthsAndInPlaceEvaluation) {
    forEveryTarget([] {
        std::mt19937 rng(11);
        const Curve curve = test::randomCurve(rng, 1.0, false, 6);
        const KnotList knots(curve, 1.0);
        for (std::size_t n = 0; n < 19; ++n) {
            std::vector<double> values = spread(-0.1, 1.1, int(n) + 1);
            values.resize(n);
            std::vector<double> expected;
            for (const double x : values) {
                expected.push_back(knots.evaluate(x));
            }
            knots.evaluateMany(values.data(), values.data(), n);
            for (std::size_t i = 0; i < n; ++i) {
                EXPECT_NEAR(values[i], expected[i], kRelativeTolerance * std::max(1.0, std::fabs(expected[i])))
                    << n << " " << i;
            }
        }
    });
}

TEST(EvaluateMany, LinearNodesCloseTogetherAndClosedFormsAgree) {
    // Two Linear sides 0.03 apart leave the cubic term almost zero: roots fail and bisection takes over.
    forEveryTarget([] {
        for (const double s : {0.0, 1.0}) {
            for (const double gap : {0.03, 0.029999, 0.0301, 0.02}) {
                Curve curve = emptyCurve(s);
                place(curve, 0, 0.4, 0.2, HandleMode::Linear, HandleMode::Linear);
                place(curve, 1, 0.4 + gap, 0.9, HandleMode::Linear, HandleMode::Linear);
                recomputeHandles(curve, s);
                expectAgrees(KnotList(curve, s), spread(0.35, 0.48, 401));
            }
            // No knot and one knot: the closed forms.
            expectAgrees(KnotList(emptyCurve(s), s), spread(-1.0, 2.0, 33));
            Curve single = emptyCurve(s);
            place(single, 5, 0.3, 0.7);
            recomputeHandles(single, s);
            expectAgrees(KnotList(single, s), spread(-1.0, 2.0, 33));
        }
    });
}

TEST(EvaluateMany, OneRealRootGivesEvaluatesResultExactly) {
    // Where the segment's cubic has one real root (positive discriminant), the vector path repeats the
    // scalar arithmetic and its single-precision cube root bit for bit.
    forEveryTarget([] {
        std::mt19937 rng(3);
        int checked = 0;
        for (int round = 0; round < 30; ++round) {
            const Curve curve = test::randomCurve(rng, 1.0, false, 2 + round % 5);
            const KnotList knots(curve, 1.0);
            if (knots.count() < 2) {
                continue;
            }
            const SegmentLanes& lanes = knots.segmentLanes();
            std::vector<double> in;
            for (const double x : spread(knots[0].x, knots[knots.count() - 1].x, 400)) {
                int k = 1;
                while (k < knots.count() - 1 && knots[k].x < x) {
                    ++k;
                }
                const auto j = std::size_t(k);
                if (lanes.cubic[j] == 0.0 || !(x > knots[0].x)) {
                    continue;
                }
                const double q = lanes.qCubic[j] + (lanes.px0[j] - x) / lanes.a3[j] - lanes.qLinear[j];
                if (lanes.pCubed[j] + q * q / 4.0 > 0.0) {
                    in.push_back(x);
                }
            }
            std::vector<double> out(in.size());
            knots.evaluateMany(in.data(), out.data(), in.size());
            for (std::size_t i = 0; i < in.size(); ++i) {
                ASSERT_EQ(out[i], knots.evaluate(in[i])) << "x = " << in[i];
                ++checked;
            }
        }
        EXPECT_GT(checked, 1000);
    });
}

} // namespace
} // namespace korvane

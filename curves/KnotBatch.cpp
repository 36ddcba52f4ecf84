// KnotList::evaluateMany: the curve evaluated at several values at once, one vector lane per value, for the
// widest vector unit the processor has (Highway chooses at run time; the file is compiled once per target).
//
// Each lane takes the same steps as KnotList::evaluate: extension, segment search, the segment's cubic solved
// for t, the bisection where that root misses, and Y(t). Branches become masks: both roots of the cubic
// are computed and each lane keeps its own. The arithmetic is evaluate's, operation for operation and in
// the same order (this file is compiled without contraction into fused multiply-adds), and the single-
// precision cube root is rebuilt from the same bit pattern, so a lane whose cubic has one real root gets
// evaluate's result exactly. A cubic with three real roots needs an inverse cosine and cosines: these come
// from SLEEF (1-ulp functions) and the three cosines from one sine and cosine by the angle sum, so t may
// differ from the scalar one in the last bits. Y(t) then differs by a few units of 1e-16 times the size of
// the segment's control points: far below 1e-6 of max(1, |y|). Near a double root that rounding grows, so
// three-root lanes whose root misses x by more than 1e-7 of the segment's width, or whose candidate roots
// lie within 1e-6 of the edges of the accepted range [-0.00005, 1.00005], are handed to evaluate itself:
// there the scalar steps could take another root or bisect.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "curves/KnotBatch.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "curves/KnotList.h"
#include "curves/SleefFunctions.h"

#include <hwy/highway.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

HWY_BEFORE_NAMESPACE();
namespace korvane {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSE4
template <class D>
hn::Vec<D> inverseCosine(D /*d*/, hn::Vec<D> v) {
#if HWY_TARGET == HWY_AVX2
    return hn::Vec<D>{sleef::acos4(v.raw)};
#else
    return hn::Vec<D>{sleef::acos2(v.raw)};
#endif
}

// Sine and cosine of each lane.
template <class D>
void sineCosine(D /*d*/, hn::Vec<D> v, hn::Vec<D>& sine, hn::Vec<D>& cosine) {
#if HWY_TARGET == HWY_AVX2
    const sleef::DoublePair4 pair = sleef::sincos4(v.raw);
#else
    const sleef::DoublePair2 pair = sleef::sincos2(v.raw);
#endif
    sine = hn::Vec<D>{pair.x};
    cosine = hn::Vec<D>{pair.y};
}

// fastCbrt lane by lane: the estimate from the bit pattern, then one Halley step in single precision.
template <class DF>
hn::Vec<DF> fastCubeRoot(DF df, hn::Vec<DF> x) {
    const hn::RebindToSigned<DF> di;
    const auto bits = hn::BitCast(di, x);
    const auto signBit = hn::Set(di, std::int32_t(0x80000000u));
    const auto oneBits = hn::Set(di, std::int32_t(0x3f800000));
    const auto magnitude = hn::AndNot(signBit, bits);
    const auto estimate =
        hn::Add(hn::Mul(hn::ShiftRight<10>(hn::Sub(magnitude, oneBits)), hn::Set(di, 341)), oneBits);
    const auto a = hn::BitCast(df, hn::Or(estimate, hn::And(bits, signBit)));
    const auto a3 = hn::Mul(hn::Mul(a, a), a);
    const auto two = hn::Set(df, 2.0f);
    const auto root = hn::Div(hn::Mul(a, hn::Add(a3, hn::Mul(two, x))), hn::Add(hn::Mul(two, a3), x));
    return hn::IfThenElse(hn::Eq(x, hn::Zero(df)), hn::Zero(df), root);
}

// The segment coefficients of every lane: one load when all lanes lie in the same segment, else a gather.
template <class D>
struct LaneSegments {
    hn::Vec<D> px0, px1, px2, px3, py0, py1, py2, py3;
    hn::Vec<D> a3, p, qCubic, qLinear, shift, pCubed, cubic;
};

template <class D>
LaneSegments<D> loadSegments(D d, const SegmentLanes& lanes, hn::Vec<hn::RebindToSigned<D>> k) {
    const hn::RebindToSigned<D> di;
    LaneSegments<D> s;
    const std::int64_t first = hn::GetLane(k);
    if (hn::AllTrue(di, hn::Eq(k, hn::Set(di, first)))) {
        const auto at = [&](const std::array<double, kMaxKnots>& field) {
            return hn::Set(d, field[std::size_t(first)]);
        };
        s = {at(lanes.px0),    at(lanes.px1),     at(lanes.px2),   at(lanes.px3),    at(lanes.py0),
             at(lanes.py1),    at(lanes.py2),     at(lanes.py3),   at(lanes.a3),     at(lanes.p),
             at(lanes.qCubic), at(lanes.qLinear), at(lanes.shift), at(lanes.pCubed), at(lanes.cubic)};
    } else {
        const auto at = [&](const std::array<double, kMaxKnots>& field) {
            return hn::GatherIndex(d, field.data(), k);
        };
        s = {at(lanes.px0),    at(lanes.px1),     at(lanes.px2),   at(lanes.px3),    at(lanes.py0),
             at(lanes.py1),    at(lanes.py2),     at(lanes.py3),   at(lanes.a3),     at(lanes.p),
             at(lanes.qCubic), at(lanes.qLinear), at(lanes.shift), at(lanes.pCubed), at(lanes.cubic)};
    }
    return s;
}

// The cubic Bezier coordinate at t, summed as evaluate sums it.
template <class D>
hn::Vec<D> bezier(D d, hn::Vec<D> p0, hn::Vec<D> p1, hn::Vec<D> p2, hn::Vec<D> p3, hn::Vec<D> t) {
    const auto three = hn::Set(d, 3.0);
    const auto mt = hn::Sub(hn::Set(d, 1.0), t);
    const auto term0 = hn::Mul(hn::Mul(hn::Mul(mt, mt), mt), p0);
    const auto term1 = hn::Mul(hn::Mul(hn::Mul(hn::Mul(three, t), mt), mt), p1);
    const auto term2 = hn::Mul(hn::Mul(hn::Mul(hn::Mul(three, t), t), mt), p2);
    const auto term3 = hn::Mul(hn::Mul(hn::Mul(t, t), t), p3);
    return hn::Add(hn::Add(hn::Add(term0, term1), term2), term3);
}

// DepressedCubic::solve for every lane: the root of the one-real-root case, of the repeated-root case, or the
// first of the three real roots that lies in the unit interval (with evaluate's margin and end values).
// A root of the three-real-roots case closer than this to an edge of the accepted range may lie on the
// other side of it in evaluate, whose inverse cosine rounds differently; near a double root that rounding is
// magnified to about 1e-8 in t.
inline constexpr double kEdgeMargin = 1e-6;

// The root of every lane; `threeRoots` marks the lanes of the three-real-roots case and `nearEdge` those of
// them with a candidate root within kEdgeMargin of an edge of the accepted range: evaluate may pick another
// root there.
template <class D>
hn::Vec<D> solveCubic(D d, const LaneSegments<D>& s, hn::Vec<D> x, hn::Mask<D>& threeRoots,
                      hn::Mask<D>& nearEdge) {
    const hn::Rebind<float, D> df;
    const auto zero = hn::Zero(d);
    const auto q = hn::Sub(hn::Add(s.qCubic, hn::Div(hn::Sub(s.px0, x), s.a3)), s.qLinear);
    const auto discriminant = hn::Add(s.pCubed, hn::Div(hn::Mul(q, q), hn::Set(d, 4.0)));
    const auto positive = hn::Gt(discriminant, zero);
    const auto negative = hn::Lt(discriminant, zero);

    // One real root: Cardano with the single-precision cube root.
    const auto halfMinusQ = hn::Div(hn::Neg(q), hn::Set(d, 2.0));
    const auto root = hn::Sqrt(hn::IfThenElse(positive, discriminant, zero));
    const auto u = hn::PromoteTo(d, fastCubeRoot(df, hn::DemoteTo(df, hn::Add(halfMinusQ, root))));
    const auto v = hn::PromoteTo(d, fastCubeRoot(df, hn::DemoteTo(df, hn::Sub(halfMinusQ, root))));
    const auto single = hn::Sub(hn::Add(u, v), s.shift);

    // Repeated root.
    const auto repeated = hn::IfThenElse(
        hn::Eq(s.p, zero), hn::Neg(s.shift),
        hn::Sub(hn::Div(hn::Mul(hn::Set(d, -3.0), q), hn::Mul(hn::Set(d, 2.0), s.p)), s.shift));

    hn::Vec<D> result = hn::IfThenElse(positive, single, repeated);
    threeRoots = negative;
    nearEdge = hn::FirstN(d, 0);
    if (hn::AllFalse(d, negative)) {
        return result;
    }
    // Three real roots, tried in evaluate's order: phi + 4 pi / 3, phi + 2 pi / 3, phi.
    const auto r = hn::Sqrt(hn::Div(hn::Abs(s.p), hn::Set(d, 3.0)));
    const auto twoR = hn::Mul(hn::Set(d, 2.0), r);
    const auto k = hn::IfThenElse(hn::Lt(q, zero), twoR, hn::Neg(twoR));
    const auto cosineArgument = hn::Div(hn::Abs(q), hn::Mul(hn::Mul(twoR, r), r));
    const auto phi =
        hn::Div(inverseCosine(d, hn::IfThenElse(negative, cosineArgument, zero)), hn::Set(d, 3.0));
    hn::Vec<D> sine = zero;
    hn::Vec<D> cosine = zero;
    sineCosine(d, phi, sine, cosine);
    constexpr double kThirdTurn = 2.0 * std::numbers::pi / 3.0;
    // cos(phi + a) = cos phi cos a - sin phi sin a.
    const auto turned = [&](double angle) {
        return hn::Sub(hn::Mul(cosine, hn::Set(d, std::cos(angle))),
                       hn::Mul(sine, hn::Set(d, std::sin(angle))));
    };
    const auto low = hn::Set(d, double(-0.00005f));
    const auto high = hn::Set(d, double(1.00005f));
    const auto inRange = [&](hn::Vec<D> t) { return hn::And(hn::Ge(t, low), hn::Le(t, high)); };
    const auto t1 = hn::Sub(hn::Mul(k, turned(2.0 * kThirdTurn)), s.shift);
    const auto t2 = hn::Sub(hn::Mul(k, turned(kThirdTurn)), s.shift);
    const auto t3 = hn::Sub(hn::Mul(k, cosine), s.shift);
    // The last root is clamped to the interval's ends; a NaN stays NaN for the caller's check.
    auto last = hn::IfThenElse(hn::Lt(t3, low), zero, t3);
    last = hn::IfThenElse(hn::Gt(t3, high), hn::Set(d, 1.0), last);
    const auto three = hn::IfThenElse(inRange(t1), t1, hn::IfThenElse(inRange(t2), t2, last));
    const auto margin = hn::Set(d, kEdgeMargin);
    const auto closeToEdge = [&](hn::Vec<D> t) {
        return hn::Or(hn::Lt(hn::Abs(hn::Sub(t, low)), margin), hn::Lt(hn::Abs(hn::Sub(t, high)), margin));
    };
    nearEdge = hn::And(negative, hn::Or(hn::Or(closeToEdge(t1), closeToEdge(t2)), closeToEdge(t3)));
    return hn::IfThenElse(negative, three, result);
}

void evaluateManyLanes(const KnotList& knots, const double* in, double* out, std::size_t n) {
    using D = hn::ScalableTag<double>;
    using DI = hn::RebindToSigned<D>;
    const D d;
    const DI di;
    using V = hn::Vec<D>;
    using VI = hn::Vec<DI>;
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    const std::size_t lanes = hn::Lanes(d);
    const int count = knots.count();

    const Knot& first = knots[0];
    const Knot& last = knots[count - 1];
    const SegmentLanes& segments = knots.segmentLanes();
    const auto firstX = hn::Set(d, first.x);
    const auto lastX = hn::Set(d, last.x);
    const auto extension = [&](const Knot& knot, double slope, V x) -> V {
        if (slope == 0.0) {
            return hn::Set(d, knot.y);
        }
        return hn::Add(hn::Set(d, knot.y), hn::Mul(hn::Sub(x, hn::Set(d, knot.x)), hn::Set(d, slope)));
    };
    // evaluate accepts a root that misses x by up to 1e-3 of the segment's width (the single-precision cube
    // root alone misses by about 1e-7), and bisects beyond that. A lane with one real root computes exactly
    // evaluate's root and takes the same tolerance. A lane with three real roots (double-precision angles)
    // that misses by more than 1e-7 of the width has a poor root (near a double root), and evaluate's own,
    // rounded differently, may fall on the other side of 1e-3: such lanes are handed to evaluate.
    const auto oneRootTolerance = hn::Set(d, 1e-3);
    const auto threeRootTolerance = hn::Set(d, 1e-7);

    std::size_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        const V x = hn::LoadU(d, in + i);
        // Negated so that NaN lanes extend, as in evaluate.
        const auto below = hn::Not(hn::Gt(x, firstX));
        const auto above = hn::Gt(x, lastX);
        const auto inside = hn::Not(hn::Or(below, above));
        V y = hn::IfThenElse(below, extension(first, knots.startSlope(), x),
                             extension(last, knots.endSlope(), x));
        if (hn::AllFalse(d, inside)) {
            hn::StoreU(y, d, out + i);
            continue;
        }
        // Segment k: the first knot at or right of x, k = 1 + the inner knots left of x.
        const V xs = hn::IfThenElse(inside, x, lastX);
        VI k = hn::Set(di, 1);
        for (int j = 1; j < count - 1; ++j) {
            const auto left = hn::RebindMask(di, hn::Lt(hn::Set(d, knots[j].x), xs));
            k = hn::Sub(k, hn::VecFromMask(di, left));
        }
        const LaneSegments<D> s = loadSegments(d, segments, k);
        hn::Mask<D> threeRoots;
        hn::Mask<D> nearEdge;
        const V t = solveCubic(d, s, xs, threeRoots, nearEdge);
        const V tolerance = hn::IfThenElse(threeRoots, threeRootTolerance, oneRootTolerance);
        const V width = hn::Sub(s.px3, s.px0);
        const V residual = hn::Abs(hn::Sub(bezier(d, s.px0, s.px1, s.px2, s.px3, t), xs));
        const auto found = hn::And(hn::And(hn::Ne(s.cubic, hn::Zero(d)), hn::IsFinite(t)),
                                   hn::Le(residual, hn::Mul(tolerance, width)));
        y = hn::IfThenElse(inside, bezier(d, s.py0, s.py1, s.py2, s.py3, t), y);
        const auto missed = hn::Or(hn::AndNot(found, inside), hn::And(nearEdge, inside));
        if (!hn::AllFalse(d, missed)) {
            // The bisection, and whatever else evaluate does where the root misses or may differ, one lane
            // at a time.
            HWY_ALIGN double xLanes[kMaxLanes];
            HWY_ALIGN std::int64_t missedLanes[kMaxLanes];
            hn::Store(x, d, xLanes);
            hn::Store(hn::VecFromMask(di, hn::RebindMask(di, missed)), di, missedLanes);
            hn::StoreU(y, d, out + i);
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                if (missedLanes[lane] != 0) {
                    out[i + lane] = knots.evaluate(xLanes[lane]);
                }
            }
            continue;
        }
        hn::StoreU(y, d, out + i);
    }
    for (; i < n; ++i) {
        out[i] = knots.evaluate(in[i]);
    }
}

void evaluateMany(const KnotList& knots, const double* in, double* out, std::size_t n) {
    if (knots.count() < 2 || !knots.lanesUsable()) {
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = knots.evaluate(in[i]);
        }
        return;
    }
    evaluateManyLanes(knots, in, out, n);
}

#else

// Processors without SSE4 evaluate one value at a time.
void evaluateMany(const KnotList& knots, const double* in, double* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = knots.evaluate(in[i]);
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace korvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane {

HWY_EXPORT(evaluateMany);

void KnotList::evaluateMany(const double* in, double* out, std::size_t n) const {
    HWY_DYNAMIC_DISPATCH(evaluateMany)(*this, in, out, n);
}

} // namespace korvane
#endif

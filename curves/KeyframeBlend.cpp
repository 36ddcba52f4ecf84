#include "curves/KeyframeBlend.h"

#include "curves/EffectTraits.h"

#include <cmath>

namespace korvane {

namespace {

double clampWeight(double t) {
    if (!(t >= 0.0)) {
        return 0.0;
    }
    return t > 1.0 ? 1.0 : t;
}

double blend(double a, double b, double t) {
    return a * (1.0 - t) + b * t;
}

} // namespace

void blendCurve(const Curve& a, const Curve& b, double t, double neutralSlope, Curve& result) {
    t = clampWeight(t);
    result = a;
    result.loop = (a.loop != 0 || b.loop != 0) ? 1 : 0;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& p = a.nodes[slot];
        const CurveNode& q = b.nodes[slot];
        CurveNode& node = result.nodes[slot];
        if (result.loop != 0 && std::fabs(p.x - q.x) > 0.5) {
            // The node on the right is taken one period back; on a looping curve a period also
            // lowers y by the neutral slope, so an Absolute hue node stays on the same curve.
            double x = 0.0;
            double y = 0.0;
            if (p.x > q.x) {
                x = (p.x - 1.0) * (1.0 - t) + q.x * t;
                y = (p.y - neutralSlope) * (1.0 - t) + q.y * t;
            } else {
                x = (q.x - 1.0) * t + p.x * (1.0 - t);
                y = (q.y - neutralSlope) * t + p.y * (1.0 - t);
            }
            double wrapped = std::fmod(x, 1.0);
            if (wrapped < 0.0) {
                wrapped += 1.0;
            }
            // A tiny negative remainder plus 1 rounds to 1, the same point as 0.
            if (wrapped >= 1.0) {
                wrapped = 0.0;
            }
            node.x = wrapped;
            node.y = y + (wrapped - x) * neutralSlope;
        } else {
            node.x = blend(p.x, q.x, t);
            node.y = blend(p.y, q.y, t);
        }
        node.leftDx = blend(p.leftDx, q.leftDx, t);
        node.leftDy = blend(p.leftDy, q.leftDy, t);
        node.rightDx = blend(p.rightDx, q.rightDx, t);
        node.rightDy = blend(p.rightDy, q.rightDy, t);
        node.leftMode = p.leftMode == q.leftMode ? p.leftMode : HandleMode::Manual;
        node.rightMode = p.rightMode == q.rightMode ? p.rightMode : HandleMode::Manual;
        node.linked = p.linked == q.linked ? p.linked : 0;
        node.active = (p.active != 0 && q.active != 0) ? 1 : 0;
    }
    recomputeHandles(result, neutralSlope);
}

void interpolateCurveSet(const RelativeCurveSet& a, const RelativeCurveSet& b, double t,
                         RelativeCurveSet& result) {
    t = clampWeight(t);
    for (int k = 0; k < kCurveCount; ++k) {
        blendCurve(a.curves[k], b.curves[k], t, RelativeTraits::kNeutralSlope, result.curves[k]);
        const RelativeCurveSet& chosen = t < 0.5 ? a : b;
        result.basedOn[k] = chosen.basedOn[k];
        result.changeBy[k] = chosen.changeBy[k];
        result.changeFactor[k] = blend(a.changeFactor[k], b.changeFactor[k], t);
    }
}

void interpolateCurveSet(const AbsoluteCurveSet& a, const AbsoluteCurveSet& b, double t,
                         AbsoluteCurveSet& result) {
    t = clampWeight(t);
    for (int k = 0; k < kCurveCount; ++k) {
        blendCurve(a.curves[k], b.curves[k], t, AbsoluteTraits::kNeutralSlope, result.curves[k]);
    }
}

} // namespace korvane

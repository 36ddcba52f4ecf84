#include "curves/CurveSet.h"

#include "curves/KnotList.h"

namespace korvane {

namespace {

constexpr double kRelativeSlope = 0.0;
constexpr double kAbsoluteSlope = 1.0;
constexpr int kMaxLinks = 11;
constexpr int kLastProperty = 6;
constexpr int kFirstLink = 8;

bool validCurve(int i) {
    return i >= 0 && i < kCurveCount;
}

struct Walk {
    int curve;
    bool selfLinked;
};

Walk walkLinks(const RelativeCurveSet& set, int i) {
    int current = i;
    for (int step = 0; step < kMaxLinks; ++step) {
        const std::int32_t basedOn = set.basedOn[current];
        if (basedOn <= kLastProperty) {
            break;
        }
        const int next = basedOn - kFirstLink;
        if (!validCurve(next)) {
            break;
        }
        if (next == current) {
            return {current, true};
        }
        current = next;
    }
    return {current, false};
}

} // namespace

void resetCurveSet(RelativeCurveSet& set) {
    for (Curve& curve : set.curves) {
        curve.loop = 0;
        resetCurve(curve, kRelativeSlope);
    }
    set.basedOn.fill(0);
    set.changeBy.fill(0);
    set.changeFactor.fill(1.0);
    set.changeFactor[kRelativePostBlur] = 10.0;
}

void resetCurveSet(AbsoluteCurveSet& set) {
    for (Curve& curve : set.curves) {
        curve.loop = 0;
        resetCurve(curve, kAbsoluteSlope);
    }
    Curve& hue = set.curves[kAbsoluteHue];
    hue.loop = 1;
    hue.nodes[0].x = 0.5;
    hue.nodes[0].y = 0.5;
    hue.nodes[1].active = 0;
    recomputeHandles(hue, kAbsoluteSlope);
}

bool curveSetsEqual(const RelativeCurveSet& a, const RelativeCurveSet& b) {
    for (int k = 0; k < kCurveCount; ++k) {
        if (!curvesEqual(a.curves[k], b.curves[k]) || a.basedOn[k] != b.basedOn[k] ||
            a.changeBy[k] != b.changeBy[k] || a.changeFactor[k] != b.changeFactor[k]) {
            return false;
        }
    }
    return true;
}

bool curveSetsEqual(const AbsoluteCurveSet& a, const AbsoluteCurveSet& b) {
    for (int k = 0; k < kCurveCount; ++k) {
        if (!curvesEqual(a.curves[k], b.curves[k])) {
            return false;
        }
    }
    return true;
}

int resolveCurve(const RelativeCurveSet& set, int i) {
    if (!validCurve(i)) {
        return 0;
    }
    return walkLinks(set, i).curve;
}

int resolveInput(const RelativeCurveSet& set, int i) {
    if (!validCurve(i)) {
        return 0;
    }
    const Walk walk = walkLinks(set, i);
    if (walk.selfLinked) {
        return walk.curve;
    }
    const std::int32_t basedOn = set.basedOn[walk.curve];
    return basedOn >= 0 && basedOn <= kLastProperty ? basedOn : 0;
}

} // namespace korvane

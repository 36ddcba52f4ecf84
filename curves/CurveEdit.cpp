#include "curves/CurveEdit.h"

#include "curves/KnotList.h"

#include <cmath>
#include <limits>

namespace korvane {

namespace {

// 0.001 in single precision, the step that separates two nodes dropped on the same x.
constexpr double kNudge = 0.0010000000474974513;
// Horizontal length given to a handle that would point the wrong way after inverting.
constexpr double kMinimalHandle = 0.001;

bool validSlot(int index) {
    return index >= 0 && index < kCurveSlots;
}

// x wrapped into [0, 1] for a looping curve; inside [0, 1] it is left alone.
double wrapLoop(double x) {
    if (x >= 0.0 && x <= 1.0) {
        return x;
    }
    double wrapped = std::fmod(x, 1.0);
    if (wrapped < 0.0) {
        wrapped += 1.0;
    }
    return wrapped;
}

bool sharesX(const Curve& curve, int index, double x) {
    for (int other = 0; other < kCurveSlots; ++other) {
        if (other != index && curve.nodes[other].active != 0 && curve.nodes[other].x == x) {
            return true;
        }
    }
    return false;
}

struct Point {
    double x;
    double y;
};

Point lerp(Point p, Point q, double t) {
    return {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
}

int knotOfSlot(const KnotList& knots, int slot) {
    for (int k = 0; k < knots.count(); ++k) {
        if (knots[k].slot == slot) {
            return k;
        }
    }
    return -1;
}

// Splits the segment between the knots of the left and right neighbours at x (de Casteljau): the
// neighbours' facing handles shrink to the outer points, the new node gets the inner ones, and all
// four sides become Manual. Returns the split point's y, or NaN when the neighbours are not adjacent
// knots (another node shares an end's x), in which case nothing is split.
double splitSegment(Curve& curve, const KnotList& knots, int leftSlot, int rightSlot, int newSlot, double x) {
    const int kr = knotOfSlot(knots, rightSlot);
    if (kr < 1 || knots[kr - 1].slot != leftSlot) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const Knot& a = knots[kr - 1];
    const Knot& b = knots[kr];
    const double t = knots.segmentParameter(kr, x);
    const Point p0{a.x, a.y};
    const Point p1{a.x + a.rightX, a.y + a.rightY};
    const Point p2{b.x + b.leftX, b.y + b.leftY};
    const Point p3{b.x, b.y};
    const Point p01 = lerp(p0, p1, t);
    const Point p12 = lerp(p1, p2, t);
    const Point p23 = lerp(p2, p3, t);
    const Point p012 = lerp(p01, p12, t);
    const Point p123 = lerp(p12, p23, t);
    const Point split = lerp(p012, p123, t);

    CurveNode& left = curve.nodes[leftSlot];
    left.rightDx = p01.x - p0.x;
    left.rightDy = p01.y - p0.y;
    left.rightMode = HandleMode::Manual;
    CurveNode& right = curve.nodes[rightSlot];
    right.leftDx = p3.x - p23.x;
    right.leftDy = p23.y - p3.y;
    right.leftMode = HandleMode::Manual;
    CurveNode& node = curve.nodes[newSlot];
    node.leftDx = split.x - p012.x;
    node.leftDy = p012.y - split.y;
    node.rightDx = p123.x - split.x;
    node.rightDy = p123.y - split.y;
    node.leftMode = HandleMode::Manual;
    node.rightMode = HandleMode::Manual;
    return split.y;
}

} // namespace

bool moveNode(Curve& curve, int index, double x, double y, double neutralSlope) {
    if (!validSlot(index) || !isUsableCoordinate(x) || !isUsableCoordinate(y)) {
        return false;
    }
    if (curve.loop != 0) {
        const double wrapped = wrapLoop(x);
        // Keeps an Absolute hue node's offset from the identity line.
        y += (wrapped - x) * neutralSlope;
        x = wrapped;
    }
    while (sharesX(curve, index, x)) {
        const double next = x + kNudge;
        // Far from 0 the nudge can vanish in rounding; the next double still separates the nodes.
        x = next > x ? next : std::nextafter(x, std::numeric_limits<double>::infinity());
    }
    CurveNode& node = curve.nodes[index];
    const bool changed = node.x != x || node.y != y;
    node.x = x;
    node.y = y;
    recomputeHandles(curve, neutralSlope);
    return changed;
}

int addNode(Curve& curve, double x, bool onNeutral, double neutralSlope) {
    int slot = -1;
    for (int k = 0; k < kCurveSlots; ++k) {
        if (curve.nodes[k].active == 0) {
            slot = k;
            break;
        }
    }
    if (slot < 0 || !isUsableCoordinate(x)) {
        return -1;
    }
    double wrapped = x;
    if (curve.loop != 0) {
        wrapped = wrapLoop(x);
    }
    const KnotList knots(curve, neutralSlope);
    // Evaluated at the unwrapped x, where the wrap copies continue the curve, then carried back.
    double y = onNeutral ? neutralSlope * wrapped : knots.evaluate(x) + (wrapped - x) * neutralSlope;

    int leftSlot = -1;
    int rightSlot = -1;
    for (int k = 0; k < kCurveSlots; ++k) {
        const CurveNode& node = curve.nodes[k];
        if (node.active == 0) {
            continue;
        }
        if (node.x < wrapped && (leftSlot < 0 || node.x > curve.nodes[leftSlot].x)) {
            leftSlot = k;
        }
        if (node.x > wrapped && (rightSlot < 0 || node.x < curve.nodes[rightSlot].x)) {
            rightSlot = k;
        }
    }

    CurveNode& node = curve.nodes[slot];
    node.leftMode = HandleMode::Smooth;
    node.rightMode = HandleMode::Smooth;
    if (leftSlot >= 0 && rightSlot >= 0) {
        const CurveNode& left = curve.nodes[leftSlot];
        const CurveNode& right = curve.nodes[rightSlot];
        const bool linearBetween =
            left.rightMode == HandleMode::Linear && right.leftMode == HandleMode::Linear;
        if (linearBetween) {
            node.leftMode = HandleMode::Linear;
            node.rightMode = HandleMode::Linear;
        }
        const bool plainPair = countActive(curve) == 2 && left.leftMode == HandleMode::Smooth &&
                               left.rightMode == HandleMode::Smooth && right.leftMode == HandleMode::Smooth &&
                               right.rightMode == HandleMode::Smooth;
        if (!onNeutral && !linearBetween && !plainPair) {
            const double splitY = splitSegment(curve, knots, leftSlot, rightSlot, slot, wrapped);
            if (!std::isnan(splitY)) {
                y = splitY;
            }
        }
    }

    moveNode(curve, slot, wrapped, y, neutralSlope);
    node.active = 1;
    node.linked = 1;
    // moveNode ran while the slot was still inactive: the new node and its neighbours need the rule
    // with the node in place.
    recomputeHandles(curve, neutralSlope);
    return slot;
}

void deleteNode(Curve& curve, int index, double neutralSlope) {
    if (!validSlot(index) || curve.nodes[index].active == 0) {
        return;
    }
    curve.nodes[index].active = 0;
    recomputeHandles(curve, neutralSlope);
}

void invertCurve(Curve& curve, double neutralSlope) {
    for (CurveNode& node : curve.nodes) {
        if (node.active == 0) {
            continue;
        }
        if (neutralSlope == 0.0) {
            node.y = -node.y;
            node.leftDy = -node.leftDy;
            node.rightDy = -node.rightDy;
            continue;
        }
        const CurveNode old = node;
        node.x = old.y;
        node.y = old.x;
        node.leftDy = -old.leftDx;
        node.leftDx = old.leftDy < 0.0 ? -old.leftDy : kMinimalHandle;
        node.rightDy = old.rightDx;
        node.rightDx = old.rightDy > 0.0 ? old.rightDy : kMinimalHandle;
    }
}

} // namespace korvane

#include "curves/Curve.h"

#include "curves/SortedNodes.h"

#include <cmath>

namespace korvane {

void resetCurve(Curve& curve, double neutralSlope) {
    curve.nodes.fill(freshNode());
    curve.nodes[0].active = 1;
    curve.nodes[1].x = 1.0;
    curve.nodes[1].y = neutralSlope;
    curve.nodes[1].active = 1;
    recomputeHandles(curve, neutralSlope);
}

int countActive(const Curve& curve) {
    int count = 0;
    for (const CurveNode& node : curve.nodes) {
        count += node.active != 0 ? 1 : 0;
    }
    return count;
}

namespace {

struct Point {
    double x;
    double y;
};

void applyRule(CurveNode& node, Point previous, Point next) {
    // The 0.0001 keeps the rule defined for coincident neighbours.
    const double u = (next.x - previous.x) + 0.0001;
    const double dy = next.y - previous.y;
    const double v = std::sqrt(dy * dy + u * u);
    const double inverseV = v > 0.0 ? 1.0 / v : 0.0;

    const double a = (node.x - previous.x) * 0.33 + 0.0001;
    const double b = (previous.y - node.y) * 0.33;
    const double leftLength = std::sqrt(a * a + b * b);
    const double c = (next.x - node.x) * 0.33 + 0.0001;
    const double d = (next.y - node.y) * 0.33;
    const double rightLength = std::sqrt(c * c + d * d);

    if (node.leftMode == HandleMode::Smooth) {
        node.leftDx = leftLength * u * inverseV;
        node.leftDy = -leftLength * dy * inverseV;
    } else if (node.leftMode == HandleMode::Linear) {
        node.leftDx = a;
        node.leftDy = b;
    }
    if (node.rightMode == HandleMode::Smooth) {
        node.rightDx = rightLength * u * inverseV;
        node.rightDy = rightLength * dy * inverseV;
    } else if (node.rightMode == HandleMode::Linear) {
        node.rightDx = c;
        node.rightDy = d;
    }
}

} // namespace

void recomputeHandles(Curve& curve, double neutralSlope) {
    const SortedNodes sorted(curve);
    const int count = sorted.count();
    if (count == 0) {
        return;
    }
    const bool loop = curve.loop != 0;
    const CurveNode& firstNode = curve.nodes[sorted[0]];
    const CurveNode& lastNode = curve.nodes[sorted[count - 1]];
    // Looping neighbours wrap with period exactly 1, one neutral slope higher per period.
    const Point beforeFirst{lastNode.x - 1.0, lastNode.y - neutralSlope};
    const Point afterLast{firstNode.x + 1.0, firstNode.y + neutralSlope};

    for (int k = 0; k < count; ++k) {
        CurveNode& node = curve.nodes[sorted[k]];
        const Point self{node.x, node.y};
        Point previous = self;
        Point next = self;
        if (k > 0) {
            const CurveNode& p = curve.nodes[sorted[k - 1]];
            previous = {p.x, p.y};
        } else if (loop) {
            previous = beforeFirst;
        }
        if (k + 1 < count) {
            const CurveNode& q = curve.nodes[sorted[k + 1]];
            next = {q.x, q.y};
        } else if (loop) {
            next = afterLast;
        }
        applyRule(node, previous, next);
    }

    if (!loop && count >= 2) {
        // The outer handles of the end nodes mirror their inner ones.
        CurveNode& first = curve.nodes[sorted[0]];
        first.leftDx = first.rightDx;
        first.leftDy = -first.rightDy;
        CurveNode& last = curve.nodes[sorted[count - 1]];
        last.rightDx = last.leftDx;
        last.rightDy = -last.leftDy;
    }
}

} // namespace korvane

#include "curves/KnotList.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace korvane {

namespace {

// Evaluation period of a looping curve: the wrap copies sit 1.0001 away, not 1.
constexpr double kLoopPeriod = 1.0001;
// A cubic root farther than this fraction of the segment width from x is replaced by bisection.
constexpr double kRootTolerance = 1e-3;
constexpr int kBisectionSteps = 60;

double bezier(const std::array<double, 4>& p, double t) {
    const double mt = 1.0 - t;
    return mt * mt * mt * p[0] + 3.0 * t * mt * mt * p[1] + 3.0 * t * t * mt * p[2] + t * t * t * p[3];
}

// A straight line through (x0, y0); a flat line ignores x, so that an infinite input stays finite.
double extend(double y0, double x0, double slope, double x) {
    return slope == 0.0 ? y0 : y0 + (x - x0) * slope;
}

// Slope of a handle; a handle without horizontal length extends flat instead of dividing by zero.
double handleSlope(double dx, double dy) {
    return dx != 0.0 ? dy / dx : 0.0;
}

} // namespace

KnotList::KnotList(const Curve& curve, double neutralSlope) : neutralSlope_(neutralSlope) {
    constexpr double kNone = std::numeric_limits<double>::infinity();
    const bool loop = curve.loop != 0;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& node = curve.nodes[slot];
        if (node.active == 0) {
            continue;
        }
        double leftDistance = kNone;
        double rightDistance = kNone;
        for (int other = 0; other < kCurveSlots; ++other) {
            const CurveNode& neighbour = curve.nodes[other];
            if (other == slot || neighbour.active == 0) {
                continue;
            }
            if (neighbour.x <= node.x) {
                leftDistance = std::min(leftDistance, node.x - neighbour.x);
            }
            if (neighbour.x >= node.x) {
                rightDistance = std::min(rightDistance, neighbour.x - node.x);
            }
            if (loop) {
                for (const double wrapped : {neighbour.x - 1.0, neighbour.x + 1.0}) {
                    if (wrapped < node.x) {
                        leftDistance = std::min(leftDistance, node.x - wrapped);
                    }
                    if (wrapped > node.x) {
                        rightDistance = std::min(rightDistance, wrapped - node.x);
                    }
                }
            }
        }
        // A handle never reaches past its neighbour's x, so the segment's X(t) stays within it.
        double leftDx = node.leftDx;
        double leftDy = node.leftDy;
        if (leftDistance < leftDx) {
            const double f = leftDistance / leftDx;
            leftDx *= f;
            leftDy *= f;
        }
        double rightDx = node.rightDx;
        double rightDy = node.rightDy;
        if (rightDistance < rightDx) {
            const double f = rightDistance / rightDx;
            rightDx *= f;
            rightDy *= f;
        }
        insert(Knot{node.x, node.y, -leftDx, leftDy, rightDx, rightDy, slot});
    }

    if (loop && count_ > 0) {
        Knot after = knots_[0];
        after.x += kLoopPeriod;
        after.y += kLoopPeriod * neutralSlope;
        after.slot = -1;
        Knot before = knots_[count_ - 1];
        before.x -= kLoopPeriod;
        before.y -= kLoopPeriod * neutralSlope;
        before.slot = -1;
        insert(after);
        insert(before);
    }
    if (count_ > 0) {
        startSlope_ = handleSlope(knots_[0].rightX, knots_[0].rightY);
        endSlope_ = handleSlope(knots_[count_ - 1].leftX, knots_[count_ - 1].leftY);
    }
    lanesUsable_ = true;
    for (int k = 0; k < count_; ++k) {
        lanesUsable_ = lanesUsable_ && !std::isnan(knots_[k].x);
    }
    for (int k = 1; k < count_; ++k) {
        prepareSegment(k);
    }
}

void KnotList::insert(const Knot& knot) {
    // Before the first entry with a strictly greater x, so ties keep insertion order.
    int position = count_;
    while (position > 0 && knots_[position - 1].x > knot.x) {
        knots_[position] = knots_[position - 1];
        --position;
    }
    knots_[position] = knot;
    ++count_;
}

void KnotList::prepareSegment(int k) {
    const Knot& a = knots_[k - 1];
    const Knot& b = knots_[k];
    Segment& segment = segments_[k];
    segment.px = {a.x, a.x + a.rightX, b.x + b.leftX, b.x};
    segment.py = {a.y, a.y + a.rightY, b.y + b.leftY, b.y};
    const auto& px = segment.px;
    const double a0 = px[0];
    const double a1 = 3.0 * (px[1] - px[0]);
    const double a2 = 3.0 * px[0] - 6.0 * px[1] + 3.0 * px[2];
    const double a3 = px[3] - 3.0 * px[2] + 3.0 * px[1] - px[0];
    segment.hasCubic = a3 != 0.0;
    segment.cubic = segment.hasCubic ? DepressedCubic::prepare(a0, a1, a2, a3) : DepressedCubic{};

    const auto index = std::size_t(k);
    lanes_.px0[index] = px[0];
    lanes_.px1[index] = px[1];
    lanes_.px2[index] = px[2];
    lanes_.px3[index] = px[3];
    lanes_.py0[index] = segment.py[0];
    lanes_.py1[index] = segment.py[1];
    lanes_.py2[index] = segment.py[2];
    lanes_.py3[index] = segment.py[3];
    lanes_.a3[index] = segment.cubic.a3;
    lanes_.p[index] = segment.cubic.p;
    lanes_.qCubic[index] = segment.cubic.qCubic;
    lanes_.qLinear[index] = segment.cubic.qLinear;
    lanes_.shift[index] = segment.cubic.shift;
    lanes_.pCubed[index] = segment.cubic.pCubed;
    lanes_.cubic[index] = segment.hasCubic ? 1.0 : 0.0;
}

double KnotList::solveSegment(const Segment& segment, double x) const {
    const double width = segment.px[3] - segment.px[0];
    if (segment.hasCubic) {
        const double t = segment.cubic.solve(x);
        // The cubic formula cancels badly when a3 is close to 0 (two Linear sides 0.03 apart).
        if (std::isfinite(t) && std::fabs(bezier(segment.px, t) - x) <= kRootTolerance * width) {
            return t;
        }
    }
    // X(0) < x <= X(1), so halving keeps a root in [low, high].
    double low = 0.0;
    double high = 1.0;
    for (int step = 0; step < kBisectionSteps; ++step) {
        const double mid = 0.5 * (low + high);
        if (bezier(segment.px, mid) < x) {
            low = mid;
        } else {
            high = mid;
        }
    }
    return 0.5 * (low + high);
}

double KnotList::segmentParameter(int k, double x) const {
    return solveSegment(segments_[k], x);
}

double KnotList::evaluate(double x) const {
    if (count_ == 0) {
        return extend(0.0, 0.0, neutralSlope_, x);
    }
    if (count_ == 1) {
        return extend(knots_[0].y, knots_[0].x, neutralSlope_, x);
    }
    const Knot& first = knots_[0];
    // Written as a negation so that a NaN input takes this branch, never the segment search.
    if (!(x > first.x)) {
        return extend(first.y, first.x, startSlope_, x);
    }
    const Knot& last = knots_[count_ - 1];
    if (x > last.x) {
        return extend(last.y, last.x, endSlope_, x);
    }
    // First knot at or right of x; the search stays within 1..count - 1 whatever the knots hold.
    int low = 1;
    int high = count_ - 1;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (x <= knots_[mid].x) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    const Segment& segment = segments_[low];
    return bezier(segment.py, solveSegment(segment, x));
}

double evaluate(const Curve& curve, double x, double neutralSlope) {
    return KnotList(curve, neutralSlope).evaluate(x);
}

void sample(const KnotList& knots, std::span<float> out) {
    const std::size_t n = out.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double x = n > 1 ? double(k) / double(n - 1) : 0.0;
        out[k] = float(knots.evaluate(x));
    }
}

std::vector<float> sample(const Curve& curve, int n, double neutralSlope) {
    std::vector<float> table(std::size_t(std::max(n, 0)));
    sample(KnotList(curve, neutralSlope), table);
    return table;
}

bool curvesEqual(const Curve& a, const Curve& b) {
    // The wrap copies follow from the real knots, so the neutral slope cannot change the answer.
    const KnotList ka(a, 0.0);
    const KnotList kb(b, 0.0);
    if (ka.count() != kb.count()) {
        return false;
    }
    for (int k = 0; k < ka.count(); ++k) {
        const Knot& p = ka[k];
        const Knot& q = kb[k];
        if (p.x != q.x || p.y != q.y || p.leftX != q.leftX || p.leftY != q.leftY || p.rightX != q.rightX ||
            p.rightY != q.rightY) {
            return false;
        }
    }
    return true;
}

} // namespace korvane

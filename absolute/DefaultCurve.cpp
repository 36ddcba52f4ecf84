#include "absolute/DefaultCurve.h"

#include "curves/KnotList.h"
#include "curves/NumberText.h"

#include <string>

namespace korvane {

namespace {

// The value as the curve text stores and reads it back.
double stored(double value) {
    std::string text;
    appendNumber(text, value);
    return parseDouble(text);
}

bool sameStored(double a, double b) {
    return a == b || stored(a) == stored(b);
}

} // namespace

bool isDefaultAsStored(const Curve& curve, const Curve& defaultCurve) {
    // The wrap copies follow from the real knots, so the slope does not matter here.
    const KnotList a(curve, 0.0);
    const KnotList b(defaultCurve, 0.0);
    if (a.count() != b.count()) {
        return false;
    }
    for (int k = 0; k < a.count(); ++k) {
        const Knot& p = a[k];
        const Knot& q = b[k];
        if (!sameStored(p.x, q.x) || !sameStored(p.y, q.y) || !sameStored(p.leftX, q.leftX) ||
            !sameStored(p.leftY, q.leftY) || !sameStored(p.rightX, q.rightX) ||
            !sameStored(p.rightY, q.rightY)) {
            return false;
        }
    }
    return true;
}

} // namespace korvane

#include "relative/RelativeProperties.h"

#include "curves/EffectTraits.h"
#include "curves/KnotList.h"

namespace korvane::relative {

namespace {

// The default curve with the curve's own loop flag: choosing "hue" in "based on" makes a curve loop, and
// that alone must not make an untouched curve count as a change.
bool isNeutral(const Curve& curve) {
    Curve neutral{};
    neutral.loop = curve.loop;
    resetCurve(neutral, RelativeTraits::kNeutralSlope);
    return curvesEqual(curve, neutral);
}

} // namespace

PropertyPlan planProperties(const RelativeCurveSet& set) {
    PropertyPlan plan;
    for (int k = 0; k < kPropertyCount; ++k) {
        const std::int32_t basedOn = set.basedOn[std::size_t(k)];
        std::int32_t used = -1;
        if (isSourceProperty(basedOn)) {
            used = k;
        } else if (isCurveLink(basedOn) &&
                   isSourceProperty(set.basedOn[std::size_t(basedOn - kFirstCurveLink)])) {
            used = basedOn - kFirstCurveLink;
        }
        plan.usedCurve[std::size_t(k)] = used >= 0 ? used : k;
        if (used < 0 || isNeutral(set.curves[std::size_t(used)])) {
            continue;
        }
        plan.active[std::size_t(k)] = true;
        plan.needed[std::size_t(set.basedOn[std::size_t(used)])] = true;
    }
    return plan;
}

} // namespace korvane::relative

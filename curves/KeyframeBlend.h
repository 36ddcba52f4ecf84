#pragma once
#include "curves/Curve.h"
#include "curves/CurveSet.h"

namespace korvane {

// Keyframe blend of two curve values, a at t = 0 and b at t = 1, paired slot by slot. Nodes of a
// looping curve more than half a period apart blend across the wrap. t outside [0, 1] (or NaN) is
// taken as the nearest end.
void blendCurve(const Curve& a, const Curve& b, double t, double neutralSlope, Curve& result);

// Relative: "based on" and "change by" switch at t = 0.5, the change factor blends.
void interpolateCurveSet(const RelativeCurveSet& a, const RelativeCurveSet& b, double t,
                         RelativeCurveSet& result);
void interpolateCurveSet(const AbsoluteCurveSet& a, const AbsoluteCurveSet& b, double t,
                         AbsoluteCurveSet& result);

} // namespace korvane

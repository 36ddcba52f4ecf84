#pragma once
#include "curves/Curve.h"
#include "curves/CurveSet.h"

#include <string>
#include <string_view>

namespace korvane {

// Text form of curves and curve sets: "key value ...\n" lines, nested curves length-prefixed, doubles
// with six significant digits. Readers take (pointer, length) text that need not end with a NUL; they
// start from the defaults, skip unknown keys, stop at a key without its value, and never let a
// non-finite number into a curve or factor.

std::string writeCurve(const Curve& curve);
// Only the text decides the nodes: no "point" lines give a curve without active nodes. At most 40
// points are kept; a point with a non-finite number is skipped; handle modes outside 0..2 read as
// Manual. Handles are taken as stored.
void readCurve(std::string_view text, Curve& curve, double neutralSlope);

std::string writeCurveSet(const RelativeCurveSet& set);
std::string writeCurveSet(const AbsoluteCurveSet& set);
void readCurveSet(std::string_view text, RelativeCurveSet& set);
void readCurveSet(std::string_view text, AbsoluteCurveSet& set);

} // namespace korvane

#pragma once
#include "curves/Curve.h"

namespace korvane {

// Whether a curve is its channel's default as a project holds it: both knot lists agree entry by entry once
// every number is rounded to the six significant digits of the curve text. A default curve that went
// through a saved project has rounded handles; compared bit for bit it would count as edited and the render
// would run near-identity curves over the image (at 8 bits the hue table alone moves colours by a step).
bool isDefaultAsStored(const Curve& curve, const Curve& defaultCurve);

} // namespace korvane

#pragma once
#include "curves/Curve.h"
#include "relative/RgbaCurvesFilter.h"

namespace korvane::relative {

// Where the node `activeSlot` of a curve acts: its x, and the nearest x of the other nodes in use below
// and above it (-99999997952 and 99999997952 where there is none). Without an active node in use (the
// slot is -1, outside 0..39 or empty) the range lies nowhere. The range does not wrap around on a
// looping curve.
NodeRange activeNodeRange(const Curve& curve, std::int32_t activeSlot);

} // namespace korvane::relative

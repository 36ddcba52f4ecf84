#pragma once
#include "curves/Curve.h"

namespace korvane {

// The node edits of the editor and the parameter glue. Every edit that moves a node ends with
// recomputeHandles, so Linear and Smooth sides always follow the handle rule.

// Moves node `index` to (x, y): a looping curve wraps x into [0, 1] (y follows by the neutral slope),
// and a node landing on another active node's x is nudged right by 0.001 until it is alone. Returns
// whether the stored position changed. Slots outside 0..39 and non-finite targets change nothing.
bool moveNode(Curve& curve, int index, double x, double y, double neutralSlope);

// Adds a node at x: on the neutral line when `onNeutral`, else on the curve (splitting the Bezier
// segment so the drawn curve keeps its shape). Returns the new slot, or -1 when all 40 are in use.
int addNode(Curve& curve, double x, bool onNeutral, double neutralSlope);

// Removes node `index` (clears its slot's active flag) and recomputes the handles of the nodes left, so
// a removed node no longer bends the curve through the neighbours' handles; Manual sides keep their
// values. Slots outside 0..39 and inactive slots change nothing.
void deleteNode(Curve& curve, int index, double neutralSlope);

// Relative (s = 0): mirrors the curve about y = 0. Absolute: mirrors it about y = x (the inverse
// function), exchanging the roles of the handle components.
void invertCurve(Curve& curve, double neutralSlope);

} // namespace korvane

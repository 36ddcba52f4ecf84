#pragma once
#include "curves/Curve.h"
#include "curves/EditorState.h"

namespace korvane {

// Slot of the editor state's active node in the curve, or -1: no active node, an index outside 0..39 or a
// slot without a node (only hand-edited data holds one).
int activeNodeSlot(const Curve& curve, const EditorState& state);

// Moves the active node to (x, y) and every other selected node by the same offset, then recomputes the
// handles. Unlike an editor drag nothing is wrapped or nudged, and nothing limits the target to 0..1. Without
// an active node, or with a target that is not finite, nothing moves. Returns whether a node moved.
bool moveSelectedNodes(Curve& curve, const EditorState& state, double x, double y, double neutralSlope);

} // namespace korvane

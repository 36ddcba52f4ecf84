#include "absolute/SelectedNodes.h"

#include <cmath>

namespace korvane {

int activeNodeSlot(const Curve& curve, const EditorState& state) {
    const int slot = state.active;
    if (slot < 0 || slot >= kCurveSlots || curve.nodes[std::size_t(slot)].active == 0) {
        return -1;
    }
    return slot;
}

bool moveSelectedNodes(Curve& curve, const EditorState& state, double x, double y, double neutralSlope) {
    const int active = activeNodeSlot(curve, state);
    if (active < 0 || !std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    const CurveNode& anchor = curve.nodes[std::size_t(active)];
    const double dx = x - anchor.x;
    const double dy = y - anchor.y;
    if (dx == 0.0 && dy == 0.0) {
        return false;
    }
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        CurveNode& node = curve.nodes[std::size_t(slot)];
        // The active node follows the value even when the selection left it out.
        if (node.active != 0 && (slot == active || state.selected[std::size_t(slot)] != 0)) {
            node.x += dx;
            node.y += dy;
        }
    }
    recomputeHandles(curve, neutralSlope);
    return true;
}

} // namespace korvane

#include "editor/NodeSelection.h"

#include "curves/CurveEdit.h"

namespace korvane {

namespace {

struct ShownNode {
    int curve;
    int slot;
};

std::optional<ShownNode> shownActiveNode(const EditorCurves& curves, const EditorStateSet& states) {
    if (states.current < 0 || states.current >= kCurveCount) {
        return std::nullopt;
    }
    const int shown = curves.shown[states.current];
    if (shown < 0 || shown >= kCurveCount) {
        return std::nullopt;
    }
    const int slot = states.states[shown].active;
    if (slot < 0 || slot >= kCurveSlots || curves.curves[shown].nodes[slot].active == 0) {
        return std::nullopt;
    }
    return ShownNode{shown, slot};
}

} // namespace

std::optional<NodePosition> activeNodePosition(const EditorCurves& curves, const EditorStateSet& states) {
    const std::optional<ShownNode> node = shownActiveNode(curves, states);
    if (!node) {
        return std::nullopt;
    }
    const CurveNode& n = curves.curves[node->curve].nodes[node->slot];
    return NodePosition{n.x, n.y};
}

bool moveSelection(EditorCurves& curves, EditorStateSet& states, double x, double y, double neutralSlope) {
    const std::optional<ShownNode> node = shownActiveNode(curves, states);
    if (!node) {
        return false;
    }
    Curve& curve = curves.curves[node->curve];
    const EditorState& state = states.states[node->curve];
    const double dx = x - curve.nodes[node->slot].x;
    const double dy = y - curve.nodes[node->slot].y;
    // Positions before any node moves, so a nudge of one node cannot shift the others.
    const std::array<CurveNode, kCurveSlots> before = curve.nodes;
    bool changed = false;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const bool moves = slot == node->slot || (state.selected[slot] != 0 && before[slot].active != 0);
        if (moves && moveNode(curve, slot, before[slot].x + dx, before[slot].y + dy, neutralSlope)) {
            changed = true;
        }
    }
    return changed;
}

} // namespace korvane

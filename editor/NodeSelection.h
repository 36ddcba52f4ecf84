#pragma once
#include "editor/EditorCurves.h"

#include <optional>

namespace korvane {

struct NodePosition {
    double x;
    double y;
};

// The active node of the curve the editor shows, for the node value parameters; nothing when there is
// no active node or no curve to show.
std::optional<NodePosition> activeNodePosition(const EditorCurves& curves, const EditorStateSet& states);

// Moves every selected node of the shown curve (the active node included) by the offset that takes the
// active node to (x, y), each with moveNode. Returns whether a node moved; nothing moves without an
// active node.
bool moveSelection(EditorCurves& curves, EditorStateSet& states, double x, double y, double neutralSlope);

template <class Traits>
std::optional<NodePosition> activeNodePosition(typename Traits::CurveSetType& set,
                                               const EditorStateSet& states) {
    return activeNodePosition(editorCurves(set), states);
}

// x and y in curve units: the parameter values divided by `scale`, rounded to single precision.
template <class Traits>
bool moveSelection(typename Traits::CurveSetType& set, EditorStateSet& states, double x, double y) {
    EditorCurves curves = editorCurves(set);
    return moveSelection(curves, states, x, y, Traits::kNeutralSlope);
}

} // namespace korvane

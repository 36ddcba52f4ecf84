#pragma once
#include "curves/CurveSet.h"
#include "curves/EditorState.h"

#include <array>

namespace korvane {

// The curves of an effect's curve set as the editor sees them: for each curve index, the curve the
// editor shows for it (the Relative effect follows "based on" links) and the input property its amount
// is read from.
struct EditorCurves {
    std::array<Curve, kCurveCount>& curves;
    std::array<int, kCurveCount> shown;
    std::array<int, kCurveCount> input;
};

EditorCurves editorCurves(RelativeCurveSet& set);
// Each channel shows its own curve; the channel index stands for the input property.
EditorCurves editorCurves(AbsoluteCurveSet& set);

// What the editor needs of the effect's traits.
struct EditorModel {
    double neutralSlope;
    EditorDefaults defaults;
};

template <class Traits>
constexpr EditorModel editorModel() {
    return EditorModel{Traits::kNeutralSlope, Traits::kEditorDefaults};
}

} // namespace korvane

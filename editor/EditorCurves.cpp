#include "editor/EditorCurves.h"

namespace korvane {

EditorCurves editorCurves(RelativeCurveSet& set) {
    EditorCurves result{set.curves, {}, {}};
    for (int i = 0; i < kCurveCount; ++i) {
        result.shown[i] = resolveCurve(set, i);
        result.input[i] = resolveInput(set, i);
    }
    return result;
}

EditorCurves editorCurves(AbsoluteCurveSet& set) {
    EditorCurves result{set.curves, {}, {}};
    for (int i = 0; i < kCurveCount; ++i) {
        result.shown[i] = i;
        result.input[i] = i;
    }
    return result;
}

} // namespace korvane

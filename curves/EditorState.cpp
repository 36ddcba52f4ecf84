#include "curves/EditorState.h"

#include <cmath>
#include <cstring>

namespace korvane {

namespace {

constexpr double kViewXStart = 0.0;
constexpr double kViewEnd = 1.0;
constexpr int kLastMode = 2;
// User-interface elements that can be hovered are numbered 1..17.
constexpr int kLastHoverElement = 17;

bool inRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

void keepUsable(double& value, double fallback) {
    if (!isUsableCoordinate(value)) {
        value = fallback;
    }
}

} // namespace

void resetEditorSettings(EditorState& state) {
    const double viewXStart = state.viewXStart;
    const double viewXEnd = state.viewXEnd;
    const double viewYStart = state.viewYStart;
    const double viewYEnd = state.viewYEnd;
    std::memset(&state, 0, sizeof state);
    state.active = -1;
    state.hoveredElement = -1;
    state.viewXStart = viewXStart;
    state.viewXEnd = viewXEnd;
    state.viewYStart = viewYStart;
    state.viewYEnd = viewYEnd;
}

void resetEditorState(EditorState& state, const EditorDefaults& defaults) {
    resetEditorSettings(state);
    state.viewXStart = kViewXStart;
    state.viewXEnd = kViewEnd;
    state.viewYStart = defaults.viewYStart;
    state.viewYEnd = kViewEnd;
}

void resetEditorStateSet(EditorStateSet& set, const EditorDefaults& defaults) {
    set.format = 0;
    set.current = defaults.current;
    set.scale = 1.0;
    for (EditorState& state : set.states) {
        resetEditorState(state, defaults);
    }
}

void initEditorStateSet(EditorStateSet& set, const EditorDefaults& defaults) {
    std::memset(&set, 0, sizeof set);
    resetEditorStateSet(set, defaults);
}

void makeEditorStateSafe(EditorState& state, const EditorDefaults& defaults) {
    if (!inRange(state.active, -1, kCurveSlots - 1)) {
        state.active = -1;
    }
    keepUsable(state.viewXStart, kViewXStart);
    keepUsable(state.viewXEnd, kViewEnd);
    keepUsable(state.viewYStart, defaults.viewYStart);
    keepUsable(state.viewYEnd, kViewEnd);
    if (!inRange(state.toolState, 0, kLastMode)) {
        state.toolState = 0;
    }
    if (!inRange(state.histogram, 0, kLastMode)) {
        state.histogram = 0;
    }
    if (!inRange(state.hoveredElement, -1, kLastHoverElement)) {
        state.hoveredElement = -1;
    }
}

void makeEditorStateSetSafe(EditorStateSet& set, const EditorDefaults& defaults) {
    set.format = 0;
    if (!inRange(set.current, 0, kCurveCount - 1)) {
        set.current = defaults.current;
    }
    if (!std::isfinite(set.scale) || set.scale <= 0.0) {
        set.scale = 1.0;
    }
    for (EditorState& state : set.states) {
        makeEditorStateSafe(state, defaults);
    }
    if (!inRange(set.histogramMode, 0, kLastMode)) {
        set.histogramMode = 0;
    }
    if (set.histogramPixels < 0) {
        set.histogramPixels = 0;
    }
}

} // namespace korvane

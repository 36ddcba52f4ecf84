#pragma once
#include "curves/Curve.h"
#include "curves/CurveSet.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvane {

// The curve editor's settings for one curve. The layout is fixed: the host may hand the sequence data
// back as raw bytes.
struct EditorState {
    std::int32_t active; // slot of the focused node, -1 none
    double viewXStart;   // visible window of the plot, in curve units
    double viewXEnd;
    double viewYStart;
    double viewYEnd;
    std::int32_t toolState; // 0 edit, 1 pan, 2 zoom
    std::uint8_t fixedAspect;
    std::int32_t histogram; // display mode 0 off, 1, 2

    // Transient interaction state of one gesture (never in the text form); pixel positions.
    std::uint8_t moved;
    std::int32_t zoomStartX;
    std::int32_t zoomStartY;
    std::int32_t dragX;
    std::int32_t dragY;
    std::uint8_t rubberBand;
    std::int32_t rubberStartX;
    std::int32_t rubberStartY;
    std::int32_t rubberCurrentX;
    std::int32_t rubberCurrentY;
    double panViewXStart; // the view when a pan started
    double panViewXEnd;
    double panViewYStart;
    double panViewYEnd;
    std::int32_t clickX;
    std::int32_t clickY;
    std::int32_t hoveredElement; // user-interface element under the mouse, -1 none
    std::array<CurveNode, kCurveSlots> dragSnapshot;

    std::array<std::uint8_t, kCurveSlots> selected;
};

static_assert(sizeof(EditorState) == 3064);
static_assert(offsetof(EditorState, viewXStart) == 8);
static_assert(offsetof(EditorState, viewXEnd) == 16);
static_assert(offsetof(EditorState, viewYStart) == 24);
static_assert(offsetof(EditorState, viewYEnd) == 32);
static_assert(offsetof(EditorState, toolState) == 40);
static_assert(offsetof(EditorState, fixedAspect) == 44);
static_assert(offsetof(EditorState, histogram) == 48);
static_assert(offsetof(EditorState, moved) == 52);
static_assert(offsetof(EditorState, zoomStartX) == 56);
static_assert(offsetof(EditorState, zoomStartY) == 60);
static_assert(offsetof(EditorState, dragX) == 64);
static_assert(offsetof(EditorState, dragY) == 68);
static_assert(offsetof(EditorState, rubberBand) == 72);
static_assert(offsetof(EditorState, rubberStartX) == 76);
static_assert(offsetof(EditorState, rubberStartY) == 80);
static_assert(offsetof(EditorState, rubberCurrentX) == 84);
static_assert(offsetof(EditorState, rubberCurrentY) == 88);
static_assert(offsetof(EditorState, panViewXStart) == 96);
static_assert(offsetof(EditorState, panViewYEnd) == 120);
static_assert(offsetof(EditorState, clickX) == 128);
static_assert(offsetof(EditorState, clickY) == 132);
static_assert(offsetof(EditorState, hoveredElement) == 136);
static_assert(offsetof(EditorState, dragSnapshot) == 144);
static_assert(offsetof(EditorState, selected) == 3024);

inline constexpr int kHistogramBins = 2560;
inline constexpr int kHistogramArrays = 3;

// The effects' sequence data: the editor state of every curve and the histograms of the last render.
struct EditorStateSet {
    std::int32_t format;  // 0 in memory; the flat text form starts with a non-zero byte
    std::int32_t current; // curve shown in the editor
    double scale;         // display unit of the node value parameters: 1, 255, 1023 or 32768
    std::array<EditorState, kCurveCount> states;
    // Counted by the render over the visible x range; not in the text form.
    std::array<std::array<std::int32_t, kHistogramBins>, kHistogramArrays> histogramBins;
    std::int32_t histogramPixels;
    std::int32_t histogramMode; // 0: no histogram was copied
};

static_assert(sizeof(EditorStateSet) == 55256);
static_assert(offsetof(EditorStateSet, current) == 4);
static_assert(offsetof(EditorStateSet, scale) == 8);
static_assert(offsetof(EditorStateSet, states) == 16);
static_assert(offsetof(EditorStateSet, histogramBins) == 24528);
static_assert(offsetof(EditorStateSet, histogramPixels) == 55248);
static_assert(offsetof(EditorStateSet, histogramMode) == 55252);

// Per-effect defaults of the editor.
struct EditorDefaults {
    std::int32_t current;
    double viewYStart; // the view is x 0..1, y viewYStart..1
};

// Everything but the view: no active node, edit tool, no histogram, no gesture, nothing selected.
void resetEditorSettings(EditorState& state);
void resetEditorState(EditorState& state, const EditorDefaults& defaults);

// current, scale and all eight editor states; the histogram fields are left alone.
void resetEditorStateSet(EditorStateSet& set, const EditorDefaults& defaults);

// New sequence data: every byte zero, then the defaults.
void initEditorStateSet(EditorStateSet& set, const EditorDefaults& defaults);

// Makes stored or host-given values safe to use: `current` outside 0..7, an active node outside
// -1..39, a tool or histogram mode outside 0..2, a hovered element outside -1..17, a non-finite view bound
// and a scale that is not a positive finite number go back to their defaults; histogram fields outside their
// ranges are cleared. A view whose start is not below its end is kept as it is: the render must skip a
// histogram counted over such a range.
void makeEditorStateSafe(EditorState& state, const EditorDefaults& defaults);
void makeEditorStateSetSafe(EditorStateSet& set, const EditorDefaults& defaults);

} // namespace korvane

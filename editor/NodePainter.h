#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

namespace korvane {

// A disc of a node or handle end: filled below radius - 1 with the fill colour at the fill opacity, and
// an anti-aliased grey ring at radius - 1 of strength min(1, 2 opacity). Pixels outside `clip` are left.
void paintDisc(BgraImage& image, int cx, int cy, double radius, const EditorColour& fill, double opacity,
               const PanelRect& clip);

// Handles, then the node itself, for every active node of the shown curve in slot order.
void paintNodes(BgraImage& image, const EditorView& view);

} // namespace korvane

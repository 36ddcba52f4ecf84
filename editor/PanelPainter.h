#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

#include <cstdint>

namespace korvane {

// The panel's own pieces around the plot: background, frame, knobs, buttons and the gesture overlays.

// The host background, the rounded panel in grey 116 and the tool column backdrop in grey 97.
void paintBackground(BgraImage& image, const EditorLayout& layout, const std::uint8_t background[3]);

// The rounded frame around the plot and bars, the selected nodes' ticks in the input bar and the knobs.
void paintFrame(BgraImage& image, const EditorView& view);

// Icon `icon` of the normal or highlighted sheet with its top-left corner at (x, y).
void paintIcon(BgraImage& image, int icon, bool highlighted, int x, int y, double opacity);

void paintFixedAspect(BgraImage& image, const EditorView& view);

// The zoom rectangle or the rubber band of a gesture in progress.
void paintGestureOverlay(BgraImage& image, const EditorView& view);

void paintButtons(BgraImage& image, const EditorView& view);

} // namespace korvane

#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

namespace korvane {

// The input bar under the plot and the output bar left of it, coloured by the presentation's axis colour
// functions.
void paintColourBars(BgraImage& image, const EditorView& view);

} // namespace korvane

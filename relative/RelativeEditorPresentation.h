#pragma once
#include "editor/StandardEditorPresentation.h"
#include "hostapi/PF_ParamDef.h"

namespace korvane {

// The curve editor as the Relative effect shows it: the curve of each property in its own colour (the
// resolved curve, which a "based on" link leads to, is the one shown and edited), the other curves faint
// behind it at 0.15, the input bar in the colour function of the resolved input property (the hue circle,
// red, green or blue ramps, grey otherwise), a black output bar (the amount has no colour), the histogram
// of the input property in its histogram colour or the result's red, green and blue, and grid lines at
// every position including the negative amounts. These are the editor's own defaults, which were drawn up
// for this effect.
class RelativeEditorPresentation final : public StandardEditorPresentation {};

// The colour "select node x (input)" shows for a node at input value x of a curve whose resolved input is
// `inputProperty`: its input colour function slightly faded, each component x 255 truncated. Alpha is
// left at 255; the caller keeps the parameter's own.
PF_Pixel nodeInputColour(int inputProperty, double x);

} // namespace korvane

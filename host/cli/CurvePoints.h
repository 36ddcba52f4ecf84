#pragma once
#include "host/EffectInstance.h"

#include <string>
#include <utility>
#include <vector>

namespace kvhost {

// One --points "NAME=x,y x,y ...": a curve named as in the effect's popup that chooses the curve the
// editor shows ("channel" of the Absolute effect, "change" of the Relative one), and its nodes in curve
// units (0..1 is the whole range of the input and of the output).
struct CurvePoints {
    std::string given; // the option's text, for messages
    std::string curve;
    std::vector<std::pair<double, double>> points;
};

// Throws HostError "--points \"TEXT\": ..." naming the token at fault.
CurvePoints parseCurvePoints(const std::string& text);

// Makes the curve hold exactly these nodes, built by the effect itself as a person builds them in its
// panel: the curve is chosen in its popup and emptied, and each node is added with the editor's add-node
// gesture (a shift-click in the plot where no node or handle lies, found with the cursor the effect shows)
// and put in place with the numeric node entry ("node x (input)", then "node y (output)"). The handles are
// thus the effect's own. The curve popup, the "scale" popup and the editor's tool are left as they were.
// Throws HostError naming the option, the point or the effect when the curve does not end as given.
void buildCurvePoints(EffectInstance& instance, const CurvePoints& points);

} // namespace kvhost

#pragma once
// The panel geometry of the default test window (a 600 x 340 control) worked out by hand from the layout
// rules: plot 70..581 x 10..268, so 511 pixels per unit across and 258 up in a 0..1 view.
#include "curves/Curve.h"
#include "curves/CurveEdit.h"

#include <cmath>

namespace korvane::test {

inline constexpr int kW = 600;
inline constexpr int kH = 340;
inline constexpr int kLeft = 70;
inline constexpr int kRight = kW - 19;
inline constexpr int kTop = 10;
inline constexpr int kBottom = kH - 72;
inline constexpr double kPlotWidth = kRight - kLeft;  // 511
inline constexpr double kPlotHeight = kBottom - kTop; // 258

// Pixel of a curve position in a view x0..x1, y0..y1 (truncated, as the editor compares positions).
inline int pixelX(double x, double x0 = 0.0, double x1 = 1.0) {
    return static_cast<int>(kLeft + kPlotWidth * (x - x0) / (x1 - x0));
}
inline int pixelY(double y, double y0 = 0.0, double y1 = 1.0) {
    return static_cast<int>(kBottom - kPlotHeight * (y - y0) / (y1 - y0));
}
inline double unitX(int px, double x0 = 0.0, double x1 = 1.0) {
    return x0 + (px - kLeft) * ((x1 - x0) / kPlotWidth);
}
inline double unitY(int py, double y0 = 0.0, double y1 = 1.0) {
    return y0 + (kBottom - py) * ((y1 - y0) / kPlotHeight);
}

// Puts a node at exactly (x, y) and returns its slot.
inline int placeNode(Curve& curve, double x, double y, double slope) {
    const int slot = addNode(curve, x, false, slope);
    moveNode(curve, slot, x, y, slope);
    return slot;
}

inline int activeCount(const Curve& curve) {
    int n = 0;
    for (const CurveNode& node : curve.nodes) {
        n += node.active != 0 ? 1 : 0;
    }
    return n;
}

} // namespace korvane::test

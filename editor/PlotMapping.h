#pragma once
#include "curves/EditorState.h"
#include "editor/EditorLayout.h"

namespace korvane {

// The visible window of the plot in curve units.
struct ViewBounds {
    double xStart;
    double xEnd;
    double yStart;
    double yEnd;

    double width() const { return xEnd - xStart; }
    double height() const { return yEnd - yStart; }
};

ViewBounds storedView(const EditorState& state);
void storeView(EditorState& state, const ViewBounds& view);

// The stored view made usable: an axis whose extent is not a positive finite number (a hand-edited
// sequence data text can hold one) takes that axis of the default view.
ViewBounds usableView(const ViewBounds& view, const ViewBounds& defaultView);

// Maps curve units to panel pixels and back over the plot rectangle.
class PlotMapping {
public:
    PlotMapping(const PanelRect& plot, const ViewBounds& view);

    const ViewBounds& view() const { return view_; }
    const PanelRect& plot() const { return plot_; }

    // Pixel positions, truncated like every position the editor compares.
    int pixelX(double x) const;
    int pixelY(double y) const;
    // The same without truncation.
    double exactPixelX(double x) const;
    double exactPixelY(double y) const;
    double unitX(double px) const;
    double unitY(double py) const;

    double unitsPerPixelX() const { return unitsPerPixelX_; }
    double unitsPerPixelY() const { return unitsPerPixelY_; }

private:
    PanelRect plot_;
    ViewBounds view_;
    double unitsPerPixelX_;
    double unitsPerPixelY_;
};

// A pixel position as an int, with values beyond any panel held at a distance that cannot overflow.
int truncatePixel(double value);

} // namespace korvane

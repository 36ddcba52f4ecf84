#include "editor/PlotMapping.h"

#include <cmath>

namespace korvane {

namespace {

// Far outside any panel, yet far inside the range of int.
constexpr double kPixelLimit = 1.0e8;

bool usableExtent(double start, double end) {
    const double extent = end - start;
    return std::isfinite(start) && std::isfinite(end) && std::isfinite(extent) && extent > 0.0;
}

} // namespace

ViewBounds storedView(const EditorState& state) {
    return {state.viewXStart, state.viewXEnd, state.viewYStart, state.viewYEnd};
}

void storeView(EditorState& state, const ViewBounds& view) {
    state.viewXStart = view.xStart;
    state.viewXEnd = view.xEnd;
    state.viewYStart = view.yStart;
    state.viewYEnd = view.yEnd;
}

ViewBounds usableView(const ViewBounds& view, const ViewBounds& defaultView) {
    ViewBounds result = view;
    if (!usableExtent(view.xStart, view.xEnd)) {
        result.xStart = defaultView.xStart;
        result.xEnd = defaultView.xEnd;
    }
    if (!usableExtent(view.yStart, view.yEnd)) {
        result.yStart = defaultView.yStart;
        result.yEnd = defaultView.yEnd;
    }
    return result;
}

int truncatePixel(double value) {
    if (!(value > -kPixelLimit)) {
        return static_cast<int>(-kPixelLimit);
    }
    if (value > kPixelLimit) {
        return static_cast<int>(kPixelLimit);
    }
    return static_cast<int>(value);
}

PlotMapping::PlotMapping(const PanelRect& plot, const ViewBounds& view)
    : plot_(plot), view_(view), unitsPerPixelX_(view.width() / plot.width()),
      unitsPerPixelY_(view.height() / plot.height()) {}

double PlotMapping::exactPixelX(double x) const {
    return plot_.left + plot_.width() * (x - view_.xStart) / view_.width();
}

double PlotMapping::exactPixelY(double y) const {
    return plot_.bottom - plot_.height() * (y - view_.yStart) / view_.height();
}

int PlotMapping::pixelX(double x) const {
    return truncatePixel(exactPixelX(x));
}

int PlotMapping::pixelY(double y) const {
    return truncatePixel(exactPixelY(y));
}

double PlotMapping::unitX(double px) const {
    return view_.xStart + (px - plot_.left) * unitsPerPixelX_;
}

double PlotMapping::unitY(double py) const {
    return view_.yStart + (plot_.bottom - py) * unitsPerPixelY_;
}

} // namespace korvane

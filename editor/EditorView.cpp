#include "editor/EditorView.h"

#include "curves/KnotList.h"
#include "curves/SortedNodes.h"

#include <cmath>
#include <limits>

namespace korvane {

namespace {

constexpr double kDefaultViewStart = 0.0;
constexpr double kDefaultViewEnd = 1.0;

ViewBounds defaultViewOf(const EditorModel& model) {
    return {kDefaultViewStart, kDefaultViewEnd, model.defaults.viewYStart, kDefaultViewEnd};
}

EditorStateSet& madeSafe(EditorStateSet& states, const EditorModel& model) {
    makeEditorStateSetSafe(states, model.defaults);
    return states;
}

bool validSlot(int slot) {
    return slot >= 0 && slot < kCurveSlots;
}

} // namespace

double wrapUnit(double x) {
    return x - std::floor(x);
}

EditorView::EditorView(EditorCurves& curves, EditorStateSet& states, const EditorModel& model,
                       const EditorPresentation& presentation, int width, int height)
    : curves_(curves), states_(madeSafe(states, model)), model_(model), presentation_(presentation),
      shown_(curves.shown[states_.current]), layout_(width, height),
      mapping_(layout_.plot(), usableView(storedView(states_.states[shown_]), defaultViewOf(model))) {
    storeView(state(), mapping_.view());
}

ViewBounds EditorView::defaultView() const {
    return defaultViewOf(model_);
}

void EditorView::setView(const ViewBounds& view) {
    mapping_ = PlotMapping(layout_.plot(), usableView(view, defaultView()));
    storeView(state(), mapping_.view());
}

void EditorView::shareSettings() {
    const EditorState& source = state();
    for (EditorState& other : states_.states) {
        if (&other == &source) {
            continue;
        }
        other.viewXStart = source.viewXStart;
        other.viewXEnd = source.viewXEnd;
        other.viewYStart = source.viewYStart;
        other.viewYEnd = source.viewYEnd;
        other.toolState = source.toolState;
        other.fixedAspect = source.fixedAspect;
        other.histogram = source.histogram;
    }
}

bool EditorView::isSelected(int slot) const {
    return validSlot(slot) && state().selected[slot] != 0;
}

bool EditorView::isActiveNode(int slot) const {
    return validSlot(slot) && curve().nodes[slot].active != 0;
}

int EditorView::selectedCount() const {
    int count = 0;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        count += isActiveNode(slot) && isSelected(slot) ? 1 : 0;
    }
    return count;
}

double EditorView::curveAt(double x) const {
    return evaluate(curve(), curve().loop != 0 ? wrapUnit(x) : x, slope());
}

PanelPoint EditorView::nodePixel(int slot) const {
    const CurveNode& node = curve().nodes[slot];
    return {mapping_.pixelX(node.x), mapping_.pixelY(node.y)};
}

std::optional<PanelPoint> EditorView::handleEnd(int slot, HandleSide side) const {
    const Curve& c = curve();
    const CurveNode& node = c.nodes[slot];
    const bool left = side == HandleSide::Left;
    if ((left ? node.leftMode : node.rightMode) == HandleMode::Linear) {
        return std::nullopt;
    }
    if (c.loop == 0) {
        const SortedNodes sorted(c);
        if (sorted.count() > 0 && slot == (left ? sorted[0] : sorted[sorted.count() - 1])) {
            return std::nullopt;
        }
    }
    // Screen y grows downwards.
    const double dx =
        left ? -node.leftDx / mapping_.unitsPerPixelX() : node.rightDx / mapping_.unitsPerPixelX();
    const double dy = -(left ? node.leftDy : node.rightDy) / mapping_.unitsPerPixelY();
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return std::nullopt;
    }
    const double stretch = length < kMinimumHandlePixels ? kMinimumHandlePixels / length : 1.0;
    const PanelPoint centre = nodePixel(slot);
    return PanelPoint{truncatePixel(std::ceil(centre.x + dx * stretch)),
                      truncatePixel(std::ceil(centre.y + dy * stretch))};
}

int EditorView::nodeAt(int x, int y) const {
    const PanelRect plot = layout_.plot();
    if (x < plot.left - kSelectedNodeRadius || x > plot.right + kSelectedNodeRadius ||
        y < plot.top - kSelectedNodeRadius || y > plot.bottom + kSelectedNodeRadius) {
        return -1;
    }
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (!isActiveNode(slot)) {
            continue;
        }
        const PanelPoint p = nodePixel(slot);
        const double distance = std::hypot(double(p.x) - x, double(p.y) - y);
        if (distance < bestDistance) {
            best = slot;
            bestDistance = distance;
        }
    }
    return bestDistance < kNodeHitDistance ? best : -1;
}

std::optional<HandleHit> EditorView::handleAt(int x, int y) const {
    if (x < layout_.left() - kSelectedNodeRadius || y > layout_.controlsTop()) {
        return std::nullopt;
    }
    std::optional<HandleHit> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int slot = kCurveSlots - 1; slot >= 0; --slot) {
        if (!isActiveNode(slot)) {
            continue;
        }
        for (HandleSide side : {HandleSide::Left, HandleSide::Right}) {
            const std::optional<PanelPoint> end = handleEnd(slot, side);
            if (!end) {
                continue;
            }
            const double distance = std::hypot(double(end->x) - x, double(end->y) - y);
            if (distance < bestDistance) {
                best = HandleHit{slot, side};
                bestDistance = distance;
            }
        }
    }
    return bestDistance <= kHandleHitDistance ? best : std::nullopt;
}

bool EditorView::nearCurve(int x, int y) const {
    if (!layout_.plot().contains(x, y)) {
        return false;
    }
    const int curveY = mapping_.pixelY(curveAt(mapping_.unitX(x)));
    return std::abs(y - curveY) < kCurveHitPixels;
}

int EditorView::horizontalKnobX() const {
    return layout_.horizontalKnobX(mapping_.view().width() / defaultView().width());
}

int EditorView::verticalKnobY() const {
    return layout_.verticalKnobY(mapping_.view().height() / defaultView().height());
}

} // namespace korvane

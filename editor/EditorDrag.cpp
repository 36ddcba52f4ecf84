#include "curves/CurveEdit.h"
#include "editor/EditorInteraction.h"
#include "editor/SinglePrecision.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace korvane {

namespace {

constexpr int kNodeDragThreshold = 1;
constexpr int kRubberBandThreshold = 2;
constexpr double kSnapPixels = 7.0;
// How far beyond the plot the mouse takes the dragged nodes out of the curve.
constexpr int kDragOutSides = 35;
constexpr int kDragOutEnds = 25;
constexpr double kPanSnapPixels = 10.0;
constexpr double kZoomBase = 1.4;
constexpr double kSliderSteps = 20.0;
constexpr int kSliderReach = 50;
constexpr int kSliderOffLine = 22;
constexpr int kZoomRectangleMinimum = 2;
constexpr double kMinimumView = 0.001;

int chebyshev(int dx, int dy) {
    return std::max(std::abs(dx), std::abs(dy));
}

// A node that lands within tolerance of 0 or 1 on one axis: the point it snaps to.
struct Snap {
    int slot = -1;
    double target = 0.0;
};

Snap snapTo(double moved, double tolerance, int slot) {
    if (std::abs(moved) <= tolerance) {
        return {slot, 0.0};
    }
    if (std::abs(moved - 1.0) <= tolerance) {
        return {slot, 1.0};
    }
    return {};
}

bool usableAxis(double start, double end) {
    return isUsableCoordinate(start) && isUsableCoordinate(end) && end - start >= kMinimumView;
}

} // namespace

void EditorInteraction::changeView(const ViewBounds& proposed) {
    ViewBounds v = view_.mapping().view();
    if (usableAxis(proposed.xStart, proposed.xEnd)) {
        v.xStart = proposed.xStart;
        v.xEnd = proposed.xEnd;
    }
    if (usableAxis(proposed.yStart, proposed.yEnd)) {
        v.yStart = proposed.yStart;
        v.yEnd = proposed.yEnd;
    }
    view_.setView(v);
}

void EditorInteraction::dragNodes(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys,
                                  bool last) {
    EditorState& state = view_.state();
    Curve& curve = view_.curve();
    const int active = state.active;
    if (active < 0 || active >= kCurveSlots) {
        return;
    }
    const int clickX = unpackPixelX(gesture.extra);
    const int clickY = unpackPixelY(gesture.extra);
    if ((state.moved & kNodeMoved) == 0) {
        if (chebyshev(mouse.x - clickX, mouse.y - clickY) <= kNodeDragThreshold) {
            return;
        }
        state.moved |= kNodeMoved;
    }
    const EditorLayout& layout = view_.layout();
    const PlotMapping& mapping = view_.mapping();
    int targetX = mouse.x + gesture.a;
    int targetY = mouse.y + gesture.b;
    if (keys.shift) {
        if (std::abs(mouse.x - clickX) >= std::abs(mouse.y - clickY)) {
            targetY = clickY + gesture.b;
        } else {
            targetX = clickX + gesture.a;
        }
    }
    targetX = std::clamp(targetX, layout.left(), layout.right());
    targetY = std::clamp(targetY, layout.top(), layout.bottom());

    const auto& snapshot = state.dragSnapshot;
    double dx = mapping.unitX(targetX) - snapshot[active].x;
    double dy = mapping.unitY(targetY) - snapshot[active].y;
    const double toleranceX = kSnapPixels * mapping.unitsPerPixelX();
    const double toleranceY = kSnapPixels * mapping.unitsPerPixelY();
    Snap snapX;
    Snap snapY;
    for (int slot = 0; slot < kCurveSlots && (snapX.slot < 0 || snapY.slot < 0); ++slot) {
        if (state.selected[slot] == 0 || snapshot[slot].active == 0) {
            continue;
        }
        if (snapX.slot < 0) {
            snapX = snapTo(snapshot[slot].x + dx, toleranceX, slot);
        }
        if (snapY.slot < 0) {
            snapY = snapTo(snapshot[slot].y + dy, toleranceY, slot);
        }
    }
    if (snapX.slot >= 0) {
        dx = snapX.target - snapshot[snapX.slot].x;
    }
    if (snapY.slot >= 0) {
        dy = snapY.target - snapshot[snapY.slot].y;
    }

    const bool outside = mouse.x < layout.left() - kDragOutSides ||
                         mouse.x > layout.right() + kDragOutSides || mouse.y < layout.top() - kDragOutEnds ||
                         mouse.y > layout.bottom() + kDragOutEnds;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (state.selected[slot] == 0 || snapshot[slot].active == 0) {
            continue;
        }
        const std::uint8_t present = outside ? 0 : 1;
        if (curve.nodes[slot].active != present) {
            curve.nodes[slot].active = present;
            curveChanged_ = true;
        }
    }
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (state.selected[slot] == 0 || snapshot[slot].active == 0) {
            continue;
        }
        // The snapping node lands exactly on 0 or 1, whatever the rounding of the offset.
        const double x = slot == snapX.slot ? snapX.target : snapshot[slot].x + dx;
        const double y = slot == snapY.slot ? snapY.target : snapshot[slot].y + dy;
        if (moveNode(curve, slot, x, y, view_.slope())) {
            curveChanged_ = true;
        }
    }
    if (last && outside) {
        // Released outside: the dragged nodes are deleted.
        for (int slot = 0; slot < kCurveSlots; ++slot) {
            if (state.selected[slot] != 0 && snapshot[slot].active != 0) {
                state.selected[slot] = 0;
            }
        }
        state.active = -1;
    }
}

void EditorInteraction::dragHandle(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys) {
    const std::int64_t slot = gesture.extra;
    if (slot < 0 || slot >= kCurveSlots || !view_.isActiveNode(static_cast<int>(slot))) {
        return;
    }
    CurveNode& node = view_.curve().nodes[static_cast<std::size_t>(slot)];
    const CurveNode before = node;
    const PlotMapping& mapping = view_.mapping();
    const PanelPoint centre = view_.nodePixel(static_cast<int>(slot));
    const int endX = mouse.x + gesture.a;
    const int endY = mouse.y + gesture.b;
    const bool left = gesture.kind == DragKind::LeftHandle;
    // Never across the node: at least one pixel on the handle's own side.
    const int along = std::max(1, left ? centre.x - endX : endX - centre.x);
    const int up = keys.shift ? 0 : centre.y - endY;
    const double dx = roundToSingle(along * mapping.unitsPerPixelX());
    const double dy = roundToSingle(up * mapping.unitsPerPixelY());
    if (left) {
        node.leftDx = dx;
        node.leftDy = dy;
        node.leftMode = HandleMode::Manual;
    } else {
        node.rightDx = dx;
        node.rightDy = dy;
        node.rightMode = HandleMode::Manual;
    }
    if (node.linked != 0) {
        // The opposite handle keeps its length on screen and turns to point exactly away.
        const double oppositeDx = left ? node.rightDx : node.leftDx;
        const double oppositeDy = left ? node.rightDy : node.leftDy;
        const double oppositeLength =
            std::hypot(oppositeDx / mapping.unitsPerPixelX(), oppositeDy / mapping.unitsPerPixelY());
        const double draggedLength = std::hypot(double(along), double(up));
        const double stretch = std::isfinite(oppositeLength) ? oppositeLength / draggedLength : 0.0;
        const double turnedDx = roundToSingle(along * stretch * mapping.unitsPerPixelX());
        const double turnedDy = roundToSingle(-up * stretch * mapping.unitsPerPixelY());
        if (left) {
            node.rightDx = turnedDx;
            node.rightDy = turnedDy;
            node.rightMode = HandleMode::Manual;
        } else {
            node.leftDx = turnedDx;
            node.leftDy = turnedDy;
            node.leftMode = HandleMode::Manual;
        }
    }
    if (node.leftDx != before.leftDx || node.leftDy != before.leftDy || node.rightDx != before.rightDx ||
        node.rightDy != before.rightDy || node.leftMode != before.leftMode ||
        node.rightMode != before.rightMode) {
        curveChanged_ = true;
    }
}

void EditorInteraction::dragRubberBand(const DragGesture& gesture, PanelPoint mouse, bool last) {
    EditorState& state = view_.state();
    const int startX = unpackPixelX(gesture.extra);
    const int startY = unpackPixelY(gesture.extra);
    if (state.rubberBand == 0 && chebyshev(mouse.x - startX, mouse.y - startY) > kRubberBandThreshold) {
        state.rubberBand = 1;
    }
    if (state.rubberBand != 0) {
        state.rubberCurrentX = mouse.x;
        state.rubberCurrentY = mouse.y;
        const PanelRect band{std::min(startX, mouse.x), std::min(startY, mouse.y),
                             std::max(startX, mouse.x) + 1, std::max(startY, mouse.y) + 1};
        for (int slot = 0; slot < kCurveSlots; ++slot) {
            const bool inside =
                view_.isActiveNode(slot) && band.contains(view_.nodePixel(slot).x, view_.nodePixel(slot).y);
            state.selected[slot] = inside ? 1 : 0;
        }
        if (!view_.isSelected(state.active)) {
            state.active = -1;
            for (int slot = 0; slot < kCurveSlots && state.active < 0; ++slot) {
                if (state.selected[slot] != 0) {
                    state.active = slot;
                }
            }
        }
    }
    if (last) {
        state.rubberBand = 0;
    }
}

void EditorInteraction::pan(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys) {
    const EditorState& state = view_.state();
    const PanelRect plot = view_.layout().plot();
    const ViewBounds saved =
        usableView({state.panViewXStart, state.panViewXEnd, state.panViewYStart, state.panViewYEnd},
                   view_.mapping().view());
    const double perPixelX = saved.width() / plot.width();
    const double perPixelY = saved.height() / plot.height();
    int dxPixels = unpackPixelX(gesture.extra) - mouse.x;
    int dyPixels = unpackPixelY(gesture.extra) - mouse.y;
    if (keys.shift) {
        if (std::abs(dxPixels) >= std::abs(dyPixels)) {
            dyPixels = 0;
        } else {
            dxPixels = 0;
        }
    }
    ViewBounds v = saved;
    v.xStart += dxPixels * perPixelX;
    v.xEnd += dxPixels * perPixelX;
    v.yStart -= dyPixels * perPixelY;
    v.yEnd -= dyPixels * perPixelY;

    const double toleranceY = kPanSnapPixels * perPixelY;
    const double toleranceX = kPanSnapPixels * perPixelX;
    auto shiftY = [&v](double start) {
        v.yEnd += start - v.yStart;
        v.yStart = start;
    };
    if (std::abs(v.yStart + 1.0) <= toleranceY) {
        shiftY(-1.0);
    }
    if (std::abs(v.yStart) <= toleranceY) {
        shiftY(0.0);
    }
    if (std::abs(v.xStart) <= toleranceX) {
        v.xEnd -= v.xStart;
        v.xStart = 0.0;
    }
    changeView(v);
}

void EditorInteraction::dragZoomSlider(const DragGesture& gesture, PanelPoint mouse) {
    const EditorState& state = view_.state();
    const EditorLayout& layout = view_.layout();
    const ViewBounds defaults = view_.defaultView();
    const bool horizontal = gesture.extra == 0;
    double position = 0.5;
    if (horizontal) {
        const bool away = mouse.x < layout.left() - kSliderReach || mouse.x > layout.right() + kSliderReach ||
                          std::abs(mouse.y - layout.horizontalSliderY()) > kSliderOffLine;
        if (!away) {
            position = double(mouse.x + gesture.a - layout.left()) / (layout.right() - layout.left());
        }
    } else {
        const bool away = mouse.y < layout.top() - kSliderReach || mouse.y > layout.bottom() + kSliderReach ||
                          std::abs(mouse.x - layout.verticalSliderX()) > kSliderOffLine;
        if (!away) {
            position = double(mouse.y + gesture.b - layout.top()) / (layout.bottom() - layout.top());
        }
    }
    position = std::clamp(position, 0.0, 1.0);

    ViewBounds v = view_.mapping().view();
    double width = v.width();
    double height = v.height();
    if (horizontal) {
        width = defaults.width() * std::pow(kZoomBase, -kSliderSteps * (position - 0.5));
        if (state.fixedAspect != 0) {
            height = width * defaults.height() / defaults.width();
        }
    } else {
        height = defaults.height() * std::pow(kZoomBase, kSliderSteps * (position - 0.5));
        if (state.fixedAspect != 0) {
            width = height * defaults.width() / defaults.height();
        }
    }

    // The centre of the selected nodes, else of the view, keeps its place in the view.
    double centreX = (v.xStart + v.xEnd) / 2.0;
    double centreY = (v.yStart + v.yEnd) / 2.0;
    if (view_.selectedCount() > 0) {
        double lowX = 0.0, highX = 0.0, lowY = 0.0, highY = 0.0;
        bool first = true;
        for (int slot = 0; slot < kCurveSlots; ++slot) {
            if (!view_.isActiveNode(slot) || !view_.isSelected(slot)) {
                continue;
            }
            const CurveNode& node = view_.curve().nodes[slot];
            lowX = first ? node.x : std::min(lowX, node.x);
            highX = first ? node.x : std::max(highX, node.x);
            lowY = first ? node.y : std::min(lowY, node.y);
            highY = first ? node.y : std::max(highY, node.y);
            first = false;
        }
        centreX = (lowX + highX) / 2.0;
        centreY = (lowY + highY) / 2.0;
    }
    const double fractionX = (centreX - v.xStart) / v.width();
    const double fractionY = (centreY - v.yStart) / v.height();
    ViewBounds next = v;
    next.xStart = centreX - fractionX * width;
    next.xEnd = next.xStart + width;
    next.yStart = centreY - fractionY * height;
    next.yEnd = next.yStart + height;
    changeView(next);
}

void EditorInteraction::zoom(DragGesture& gesture, PanelPoint mouse, bool last) {
    EditorState& state = view_.state();
    const EditorLayout& layout = view_.layout();
    const PanelRect plot = layout.plot();
    const int startX = unpackPixelX(gesture.extra);
    const int startY = unpackPixelY(gesture.extra);
    if (state.toolState == 2) {
        const double dx = double(gesture.a - mouse.x) / plot.width();
        const double dy = state.fixedAspect != 0 ? -dx : double(gesture.b - mouse.y) / plot.height();
        const double fromLeft = double(startX - plot.left) / plot.width();
        const double fromTop = double(startY - plot.top) / plot.height();
        ViewBounds v = view_.mapping().view();
        for (int pass = 0; pass < 2; ++pass) {
            v.xStart -= (v.xEnd - v.xStart) * dx * fromLeft;
            v.xEnd += (v.xEnd - v.xStart) * (1.0 - fromLeft) * dx;
            v.yStart += (v.yEnd - v.yStart) * (1.0 - fromTop) * dy;
            v.yEnd -= (v.yEnd - v.yStart) * dy * fromTop;
        }
        changeView(v);
        gesture.a = mouse.x;
        gesture.b = mouse.y;
        return;
    }

    // The edit tool with alt spans a zoom rectangle.
    const PlotMapping& mapping = view_.mapping();
    int endY = mouse.y;
    if (state.fixedAspect != 0) {
        const ViewBounds defaults = view_.defaultView();
        const double widthUnits = std::abs(mouse.x - startX) * mapping.unitsPerPixelX();
        const int heightPixels =
            truncatePixel(widthUnits * defaults.height() / defaults.width() / mapping.unitsPerPixelY());
        endY = mouse.y >= startY ? startY + heightPixels : startY - heightPixels;
    }
    state.zoomStartX = startX;
    state.zoomStartY = startY;
    state.dragX = mouse.x;
    state.dragY = endY;
    state.moved = last ? 0 : kZoomRectangle;
    if (last && std::abs(mouse.x - startX) > kZoomRectangleMinimum &&
        std::abs(endY - startY) > kZoomRectangleMinimum) {
        ViewBounds v;
        v.xStart = mapping.unitX(std::min(startX, mouse.x));
        v.xEnd = mapping.unitX(std::max(startX, mouse.x));
        v.yStart = mapping.unitY(std::max(startY, endY));
        v.yEnd = mapping.unitY(std::min(startY, endY));
        changeView(v);
    }
}

void EditorInteraction::drag(PF_DoClickEventInfo& event, PanelPoint mouse) {
    DragGesture gesture = DragGesture::read(event);
    const ModifierKeys keys(event.modifiers);
    const bool last = event.last_time != 0;
    switch (gesture.kind) {
    case DragKind::Node:
        dragNodes(gesture, mouse, keys, last);
        break;
    case DragKind::LeftHandle:
    case DragKind::RightHandle:
        dragHandle(gesture, mouse, keys);
        break;
    case DragKind::RubberBand:
        dragRubberBand(gesture, mouse, last);
        break;
    case DragKind::Pan:
        pan(gesture, mouse, keys);
        break;
    case DragKind::ZoomSlider:
        dragZoomSlider(gesture, mouse);
        break;
    case DragKind::Zoom:
        zoom(gesture, mouse, last);
        break;
    case DragKind::None:
        break;
    }
    view_.shareSettings();
    if (last) {
        view_.state().moved = 0;
        gesture = DragGesture{};
    }
    gesture.write(event);
}

} // namespace korvane

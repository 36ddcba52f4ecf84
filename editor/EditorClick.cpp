#include "curves/CurveEdit.h"
#include "editor/EditorInteraction.h"

namespace korvane {

namespace {

bool histogramShown(const EditorState& state) {
    return state.histogram != 0;
}

} // namespace

void EditorInteraction::selectOnClick(int node, bool ctrlOnly) {
    EditorState& state = view_.state();
    if (ctrlOnly) {
        state.active = node;
        state.selected[node] = state.selected[node] != 0 ? 0 : 1;
        if (state.selected[node] == 0) {
            state.active = -1;
        }
        return;
    }
    // A click on a selected node keeps the selection, so a drag moves all of it.
    if (state.selected[node] == 0) {
        state.selected.fill(0);
        state.selected[node] = 1;
    }
    state.active = node;
}

void EditorInteraction::startNodeDrag(DragGesture& gesture, int node, PanelPoint mouse) {
    EditorState& state = view_.state();
    const PanelPoint p = view_.nodePixel(node);
    gesture.kind = DragKind::Node;
    gesture.a = p.x - mouse.x;
    gesture.b = p.y - mouse.y;
    gesture.extra = packPixel(mouse.x, mouse.y);
    state.dragSnapshot = view_.curve().nodes;
    state.moved = 0;
}

bool EditorInteraction::startKnobDrag(DragGesture& gesture, PanelPoint mouse) {
    const EditorLayout& layout = view_.layout();
    const int knobX = view_.horizontalKnobX();
    const int knobY = view_.verticalKnobY();
    if (layout.horizontalKnobArea(knobX).contains(mouse.x, mouse.y)) {
        gesture = {DragKind::ZoomSlider, knobX - mouse.x, 0, 0};
        return true;
    }
    if (layout.verticalKnobArea(knobY).contains(mouse.x, mouse.y)) {
        gesture = {DragKind::ZoomSlider, 0, knobY - mouse.y, 1};
        return true;
    }
    return false;
}

void EditorInteraction::clickInPlot(DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys) {
    EditorState& state = view_.state();
    const bool insidePlot = view_.layout().plot().contains(mouse.x, mouse.y);
    if (insidePlot && (keys.shift || view_.nearCurve(mouse.x, mouse.y))) {
        const int slot = addNode(view_.curve(), view_.mapping().unitX(mouse.x), keys.shift, view_.slope());
        if (slot < 0) {
            return; // all 40 slots in use
        }
        state.selected.fill(0);
        state.selected[slot] = 1;
        state.active = slot;
        curveChanged_ = true;
        startNodeDrag(gesture, slot, mouse);
        return;
    }
    if (keys.shift) {
        return;
    }
    if (insidePlot) {
        state.selected.fill(0);
        state.active = -1;
    }
    gesture = {DragKind::RubberBand, 0, 0, packPixel(mouse.x, mouse.y)};
    state.rubberBand = 0;
    state.rubberStartX = mouse.x;
    state.rubberStartY = mouse.y;
    state.rubberCurrentX = mouse.x;
    state.rubberCurrentY = mouse.y;
}

void EditorInteraction::click(PF_DoClickEventInfo& event, PanelPoint mouse) {
    EditorState& state = view_.state();
    const ModifierKeys keys(event.modifiers);
    const EditorLayout& layout = view_.layout();
    DragGesture gesture;
    state.clickX = mouse.x;
    state.clickY = mouse.y;

    std::optional<HandleHit> handle = view_.handleAt(mouse.x, mouse.y);
    const int node = view_.nodeAt(mouse.x, mouse.y);
    if (node >= 0) {
        handle.reset(); // the node wins over its own handle
        selectOnClick(node, keys.ctrlOnly);
    }

    bool deleted = false;
    if (keys.alt && node >= 0) {
        deleteNode(view_.curve(), node, view_.slope());
        state.selected[node] = 0;
        state.active = -1;
        curveChanged_ = true;
        deleted = true;
    }

    const bool inViewArea = mouse.x >= layout.left() && mouse.x < layout.right() && mouse.y < layout.bottom();
    const bool zoomTool = state.toolState == 2 || (state.toolState == 0 && keys.alt && !deleted);
    const bool panTool = keys.ctrl || state.toolState == 1;
    if (inViewArea && (zoomTool || panTool)) {
        if (zoomTool) {
            gesture = {DragKind::Zoom, mouse.x, mouse.y, packPixel(mouse.x, mouse.y)};
            state.zoomStartX = mouse.x;
            state.zoomStartY = mouse.y;
            state.dragX = mouse.x;
            state.dragY = mouse.y;
        } else {
            gesture = {DragKind::Pan, 0, 0, packPixel(mouse.x, mouse.y)};
            const ViewBounds v = view_.mapping().view();
            state.panViewXStart = v.xStart;
            state.panViewXEnd = v.xEnd;
            state.panViewYStart = v.yStart;
            state.panViewYEnd = v.yEnd;
        }
        // The render counts the histogram over the visible range: have it count again.
        curveChanged_ = curveChanged_ || histogramShown(state);
    } else if (deleted) {
        // The node is gone; nothing else belongs to this click (adding it back near the curve would
        // undo the delete).
    } else if (node >= 0) {
        if (event.num_clicks >= 2) {
            for (int slot = 0; slot < kCurveSlots; ++slot) {
                state.selected[slot] = view_.isActiveNode(slot) ? 1 : 0;
            }
        } else {
            startNodeDrag(gesture, node, mouse);
        }
    } else if (!handle) {
        const EditorElement element = layout.elementAt(mouse.x, mouse.y, view_.verticalKnobY());
        if (element != EditorElement::None && element != EditorElement::VerticalKnob) {
            pressButton(element, event.num_clicks);
        } else if (!startKnobDrag(gesture, mouse)) {
            clickInPlot(gesture, mouse, keys);
        }
    } else {
        const PanelPoint end = *view_.handleEnd(handle->slot, handle->side);
        gesture = {handle->side == HandleSide::Left ? DragKind::LeftHandle : DragKind::RightHandle,
                   end.x - mouse.x, end.y - mouse.y, handle->slot};
    }

    view_.shareSettings();
    gesture.write(event);
    if (gesture.kind != DragKind::None) {
        event.send_drag = 1;
    }
}

} // namespace korvane

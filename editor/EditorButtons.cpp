#include "curves/CurveEdit.h"
#include "editor/EditorInteraction.h"

#include <boost/math/special_functions/next.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane {

namespace {

constexpr int kHistogramModes = 3;

struct ModeButton {
    HandleSide side;
    HandleMode mode;
};

ModeButton modeButton(EditorElement element) {
    switch (element) {
    case EditorElement::LeftSmooth:
        return {HandleSide::Left, HandleMode::Smooth};
    case EditorElement::LeftLinear:
        return {HandleSide::Left, HandleMode::Linear};
    case EditorElement::LeftManual:
        return {HandleSide::Left, HandleMode::Manual};
    case EditorElement::RightManual:
        return {HandleSide::Right, HandleMode::Manual};
    case EditorElement::RightLinear:
        return {HandleSide::Right, HandleMode::Linear};
    default:
        return {HandleSide::Right, HandleMode::Smooth};
    }
}

bool sameNode(const CurveNode& a, const CurveNode& b) {
    return a.x == b.x && a.y == b.y && a.leftDx == b.leftDx && a.leftDy == b.leftDy &&
           a.rightDx == b.rightDx && a.rightDy == b.rightDy && a.leftMode == b.leftMode &&
           a.rightMode == b.rightMode && a.linked == b.linked && a.active == b.active;
}

bool sameNodes(const Curve& a, const Curve& b) {
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (!sameNode(a.nodes[slot], b.nodes[slot])) {
            return false;
        }
    }
    return true;
}

struct Extent {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void include(double v) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    bool empty() const { return !(low <= high); }
};

} // namespace

void EditorInteraction::pressModeButton(EditorElement element, int clicks) {
    const ModeButton button = modeButton(element);
    Curve& curve = view_.curve();
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        CurveNode& node = curve.nodes[slot];
        if (node.active == 0) {
            continue;
        }
        if (clicks >= 2) {
            node.leftMode = button.mode;
            node.rightMode = button.mode;
            node.linked = 1;
            continue;
        }
        if (!view_.isSelected(slot)) {
            continue;
        }
        if (button.side == HandleSide::Left || node.linked != 0) {
            node.leftMode = button.mode;
        }
        if (button.side == HandleSide::Right || node.linked != 0) {
            node.rightMode = button.mode;
        }
    }
}

void EditorInteraction::toggleLinked() {
    Curve& curve = view_.curve();
    bool allLinked = true;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (view_.isActiveNode(slot) && view_.isSelected(slot) && curve.nodes[slot].linked == 0) {
            allLinked = false;
        }
    }
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (view_.isActiveNode(slot) && view_.isSelected(slot)) {
            curve.nodes[slot].linked = allLinked ? 0 : 1;
        }
    }
}

void EditorInteraction::cycleHistogram() {
    EditorState& state = view_.state();
    state.histogram = (state.histogram + 1) % kHistogramModes;
    // One representable step up changes the parameter value, so the host renders and the render
    // counts the histograms again.
    Curve& curve = view_.curve();
    for (CurveNode& node : curve.nodes) {
        if (node.active != 0 && std::isfinite(node.x) && node.x < std::numeric_limits<double>::max()) {
            node.x = boost::math::float_next(node.x);
        }
    }
    recomputeHandles(curve, view_.slope());
    curveChanged_ = curveChanged_ || state.histogram != 0;
}

void EditorInteraction::fitView() {
    const Curve& curve = view_.curve();
    Extent x;
    Extent y;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& node = curve.nodes[slot];
        if (node.active == 0) {
            continue;
        }
        x.include(node.x);
        y.include(node.y);
        if (view_.handleEnd(slot, HandleSide::Left)) {
            x.include(node.x - node.leftDx);
            y.include(node.y + node.leftDy);
        }
        if (view_.handleEnd(slot, HandleSide::Right)) {
            x.include(node.x + node.rightDx);
            y.include(node.y + node.rightDy);
        }
    }
    if (x.empty() || y.empty()) {
        return;
    }
    ViewBounds v = view_.mapping().view();
    const double height = v.height();
    v.yStart = (y.low + y.high) / 2.0 - height / 2.0;
    v.yEnd = v.yStart + height;
    v.xStart = std::min(v.xStart, x.low);
    v.xEnd = std::max(v.xEnd, x.high);
    v.yStart = std::min(v.yStart, y.low);
    v.yEnd = std::max(v.yEnd, y.high);
    view_.setView(v);
}

void EditorInteraction::pressButton(EditorElement element, int clicks) {
    EditorState& state = view_.state();
    Curve& curve = view_.curve();
    const Curve before = curve;
    switch (element) {
    case EditorElement::EditTool:
        state.toolState = 0;
        break;
    case EditorElement::PanTool:
        state.toolState = 1;
        break;
    case EditorElement::ZoomTool:
        state.toolState = 2;
        break;
    case EditorElement::FixedAspect:
        state.fixedAspect = state.fixedAspect != 0 ? 0 : 1;
        break;
    case EditorElement::Invert:
        invertCurve(curve, view_.slope());
        curveChanged_ = true;
        break;
    case EditorElement::FitView:
        fitView();
        break;
    case EditorElement::ResetView:
        view_.setView(view_.defaultView());
        break;
    case EditorElement::ResetCurve:
        view_.presentation().resetCurve(curve, view_.shownIndex(), view_.slope());
        // The slots now hold other nodes.
        state.selected.fill(0);
        state.active = -1;
        curveChanged_ = true;
        break;
    case EditorElement::Histogram:
        cycleHistogram();
        break;
    case EditorElement::Linked:
        toggleLinked();
        break;
    case EditorElement::LeftSmooth:
    case EditorElement::LeftLinear:
    case EditorElement::LeftManual:
    case EditorElement::RightManual:
    case EditorElement::RightLinear:
    case EditorElement::RightSmooth:
        pressModeButton(element, clicks);
        recomputeHandles(curve, view_.slope());
        break;
    default:
        return;
    }
    // Handle modes and links are stored with the curve: the host must keep (and render) the new value.
    if (element >= EditorElement::Linked && element <= EditorElement::RightSmooth &&
        !sameNodes(before, curve)) {
        curveChanged_ = true;
    }
}

} // namespace korvane

#include "editor/NodePainter.h"

#include "editor/Compositor.h"
#include "editor/CoverageMap.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr EditorColour kRingGrey = greyByte(51);
constexpr EditorColour kHighlight{1.0, 0.7, 0.0};
constexpr EditorColour kWhite{1.0, 1.0, 1.0};
constexpr EditorColour kAutomaticHandle{0.7, 0.7, 0.7};
constexpr EditorColour kHandleLine{0.85, 0.85, 0.85};
constexpr double kHandleRadius = 5.0;
constexpr double kHandleLineHalfWidth = 1.0;
constexpr double kAutomaticHandleStrength = 0.7;

PanelRect discClip(const EditorView& view) {
    return {EditorLayout::kOutputBarLeft, 0, view.layout().width(), view.layout().controlsTop()};
}

void paintHandleLine(BgraImage& image, PanelPoint from, PanelPoint to, double strength,
                     const PanelRect& clip) {
    const PanelRect box{
        std::max(clip.left, std::min(from.x, to.x) - 2), std::max(clip.top, std::min(from.y, to.y) - 2),
        std::min(clip.right, std::max(from.x, to.x) + 3), std::min(clip.bottom, std::max(from.y, to.y) + 3)};
    if (box.right <= box.left || box.bottom <= box.top) {
        return;
    }
    CoverageMap coverage(box);
    coverSegment(coverage, from.x, from.y, to.x, to.y, kHandleLineHalfWidth);
    blendCoverage(image, coverage, kHandleLine, strength);
}

} // namespace

void paintDisc(BgraImage& image, int cx, int cy, double radius, const EditorColour& fill, double opacity,
               const PanelRect& clip) {
    const double edge = radius - 1.0;
    const double ringStrength = std::min(1.0, 2.0 * opacity);
    walkDisc(cx, cy, radius, [&](int x, int y, double distance) {
        if (!clip.contains(x, y)) {
            return;
        }
        if (distance < edge) {
            blendPixel(image, x, y, fill, opacity);
        }
        const double ring = 1.0 - std::abs(distance - edge);
        if (ring > 0.0) {
            blendPixel(image, x, y, kRingGrey, ring * ringStrength);
        }
    });
}

void paintNodes(BgraImage& image, const EditorView& view) {
    const Curve& curve = view.curve();
    const EditorState& state = view.state();
    const PanelRect clip = discClip(view);
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& node = curve.nodes[slot];
        if (node.active == 0) {
            continue;
        }
        const PanelPoint centre = view.nodePixel(slot);
        for (HandleSide side : {HandleSide::Left, HandleSide::Right}) {
            const bool left = side == HandleSide::Left;
            const std::optional<PanelPoint> end = view.handleEnd(slot, side);
            if (!end || (left ? node.leftDx : node.rightDx) == 0.0) {
                continue;
            }
            const bool manual = (left ? node.leftMode : node.rightMode) == HandleMode::Manual;
            paintHandleLine(image, centre, *end, manual ? 1.0 : kAutomaticHandleStrength, clip);
            paintDisc(image, end->x, end->y, kHandleRadius, manual ? kHighlight : kAutomaticHandle, 1.0,
                      clip);
        }
        const bool selected = state.selected[slot] != 0;
        const bool active = state.active == slot;
        const double radius = selected ? EditorView::kSelectedNodeRadius : EditorView::kNodeRadius;
        const double opacity = active ? 1.0 : selected ? 0.75 : 0.5;
        paintDisc(image, centre.x, centre.y, radius, selected || active ? kHighlight : kWhite, opacity, clip);
        if (node.linked != 0 && clip.contains(centre.x, centre.y)) {
            blendPixel(image, centre.x, centre.y, EditorColour{0.0, 0.0, 0.0}, 1.0);
        }
    }
}

} // namespace korvane

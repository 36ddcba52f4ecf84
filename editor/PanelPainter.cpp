#include "editor/PanelPainter.h"

#include "editor/Compositor.h"
#include "editor/EditorBitmaps.h"
#include "editor/EditorInteraction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace korvane {

namespace {

using namespace bitmaps;

constexpr EditorColour kPanelGrey = greyByte(116);
constexpr EditorColour kToolColumnGrey = greyByte(97);
constexpr EditorColour kWhite{1.0, 1.0, 1.0};
constexpr int kToolColumnX = 9;
constexpr int kToolColumnY = 8;
constexpr double kTickStrength = 0.7; // each channel becomes 0.3 value + 178.5
constexpr double kZoomShade = 0.6;
constexpr double kRubberBandFill = 0.3;
constexpr double kDimmed = 0.3;

int sliceIndex(int position, int size, int endPart, int maskSize) {
    if (position < kPanelSliceStart) {
        return position;
    }
    if (position >= size - endPart) {
        return position - (size - endPart) + (maskSize - endPart);
    }
    return kPanelSliceStretch;
}

EditorColour cornerColour(int column, int row) {
    const std::uint8_t* p = &kFrameCorner[(row * kFrameCornerSize + column) * 3];
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

bool hovered(const EditorView& view, EditorElement element) {
    return view.state().hoveredElement == static_cast<std::int32_t>(element);
}

struct SideModes {
    bool uniform = true;
    HandleMode mode = HandleMode::Smooth;
};

SideModes selectedModes(const EditorView& view, HandleSide side) {
    SideModes result;
    bool first = true;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (!view.isActiveNode(slot) || !view.isSelected(slot)) {
            continue;
        }
        const CurveNode& node = view.curve().nodes[slot];
        const HandleMode mode = side == HandleSide::Left ? node.leftMode : node.rightMode;
        if (first) {
            result.mode = mode;
            first = false;
        } else if (mode != result.mode) {
            result.uniform = false;
        }
    }
    return result;
}

bool allSelectedLinked(const EditorView& view) {
    bool any = false;
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (view.isActiveNode(slot) && view.isSelected(slot)) {
            any = true;
            if (view.curve().nodes[slot].linked == 0) {
                return false;
            }
        }
    }
    return any;
}

} // namespace

void paintIcon(BgraImage& image, int icon, bool highlighted, int x, int y, double opacity) {
    if (icon < 0 || icon >= kIconCount) {
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(icon) * kIconPixels;
    const MaskedBitmap bitmap{(highlighted ? kIconsHighlighted : kIconsNormal) + offset * 3,
                              (highlighted ? kIconMasksHighlighted : kIconMasksNormal) + offset, kIconSize,
                              kIconSize};
    drawBitmap(image, bitmap, x, y, opacity);
}

void paintBackground(BgraImage& image, const EditorLayout& layout, const std::uint8_t background[3]) {
    // Every pixel starts as the background and blends the panel grey by its mask byte, so a pixel is one of
    // 256 results, each blended once here.
    std::array<std::array<std::uint8_t, 4>, 256> byMask{};
    const BlendColour panel(kPanelGrey);
    for (int m = 0; m < 256; ++m) {
        BgraImage one(byMask[std::size_t(m)].data(), 1, 1);
        fillImage(one, background);
        blendPixel(one, 0, 0, panel, m / 255.0);
    }
    const int w = layout.width();
    const int h = layout.height();
    std::vector<int> columns(static_cast<std::size_t>(std::max(image.width(), 0)));
    for (int x = 0; x < image.width(); ++x) {
        columns[std::size_t(x)] = sliceIndex(x, w, kPanelSliceColumns, kPanelMaskWidth);
    }
    const std::size_t rowBytes = columns.size() * 4;
    int previousRow = -1;
    for (int y = 0; y < image.height(); ++y) {
        const int row = sliceIndex(y, h, kPanelSliceRows, kPanelMaskHeight);
        std::uint8_t* out = image.pixel(0, y);
        if (row == previousRow) {
            // The stretched middle rows are all the same row of the mask.
            std::memcpy(out, image.pixel(0, y - 1), rowBytes);
            continue;
        }
        const std::uint8_t* masks = &kPanelMask[row * kPanelMaskWidth];
        for (const int column : columns) {
            const auto& bytes = byMask[masks[column]];
            out = std::copy(bytes.begin(), bytes.end(), out);
        }
        previousRow = row;
    }
    drawBitmap(image, MaskedBitmap{nullptr, kToolColumnMask, kToolColumnWidth, kToolColumnHeight},
               kToolColumnX, kToolColumnY, 1.0, kToolColumnGrey);
}

void paintFrame(BgraImage& image, const EditorView& view) {
    const PanelRect area = view.layout().framedArea();
    const int inset = kFrameCornerInset;
    const int last = kFrameCornerSize - 1;
    // Corner pieces: the top-left one as drawn, the others mirrored onto their corners.
    for (int r = 0; r < kFrameCornerSize; ++r) {
        for (int c = 0; c < kFrameCornerSize; ++c) {
            const double coverage = kFrameCornerMask[r * kFrameCornerSize + c] / 255.0;
            const BlendColour colour(cornerColour(c, r));
            const int leftX = area.left - inset + c;
            const int rightX = area.right - 1 + inset - c;
            const int topY = area.top - inset + r;
            const int bottomY = area.bottom - 1 + inset - r;
            blendPixel(image, leftX, topY, colour, coverage);
            blendPixel(image, rightX, topY, colour, coverage);
            blendPixel(image, leftX, bottomY, colour, coverage);
            blendPixel(image, rightX, bottomY, colour, coverage);
        }
    }
    // Straight edges between the corners.
    for (int r = 0; r < kFrameCornerSize; ++r) {
        const double coverage = kFrameEdgeRows[r] / 255.0;
        const BlendColour colour(cornerColour(last, r));
        for (int x = area.left + inset + 1; x < area.right - inset - 1; ++x) {
            blendPixel(image, x, area.top - inset + r, colour, coverage);
            blendPixel(image, x, area.bottom - 1 + inset - r, colour, coverage);
        }
    }
    for (int c = 0; c < kFrameCornerSize; ++c) {
        const double coverage = kFrameEdgeColumns[c] / 255.0;
        const BlendColour colour(cornerColour(c, last));
        for (int y = area.top + inset + 1; y < area.bottom - inset - 1; ++y) {
            blendPixel(image, area.left - inset + c, y, colour, coverage);
            blendPixel(image, area.right - 1 + inset - c, y, colour, coverage);
        }
    }

    const EditorLayout& layout = view.layout();
    const PanelRect bar = layout.inputBar();
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        if (!view.isActiveNode(slot) || !view.isSelected(slot)) {
            continue;
        }
        const int x = view.nodePixel(slot).x;
        if (x < bar.left || x >= bar.right) {
            continue;
        }
        for (int y = bar.top; y < bar.bottom; ++y) {
            blendPixel(image, x, y, kWhite, kTickStrength);
        }
    }

    const PanelPoint horizontal = layout.horizontalKnobIcon(view.horizontalKnobX());
    paintIcon(image, kIconHorizontalKnob, false, horizontal.x, horizontal.y, 1.0);
    const PanelPoint vertical = layout.verticalKnobIcon(view.verticalKnobY());
    paintIcon(image, kIconVerticalKnob, hovered(view, EditorElement::VerticalKnob), vertical.x, vertical.y,
              1.0);
}

void paintFixedAspect(BgraImage& image, const EditorView& view) {
    const PanelPoint at = view.layout().iconOrigin(EditorElement::FixedAspect);
    const bool on = view.state().fixedAspect != 0 || hovered(view, EditorElement::FixedAspect);
    paintIcon(image, kIconFixedAspect, on, at.x, at.y, 1.0);
}

void paintGestureOverlay(BgraImage& image, const EditorView& view) {
    const EditorState& state = view.state();
    const PanelRect plot = view.layout().plot();
    if (state.moved == EditorInteraction::kZoomRectangle) {
        const PanelRect keep{std::min(state.zoomStartX, state.dragX), std::min(state.zoomStartY, state.dragY),
                             std::max(state.zoomStartX, state.dragX) + 1,
                             std::max(state.zoomStartY, state.dragY) + 1};
        for (int y = plot.top; y < plot.bottom; ++y) {
            for (int x = plot.left; x < plot.right; ++x) {
                if (!keep.contains(x, y)) {
                    scalePixel(image, x, y, kZoomShade);
                }
            }
        }
    }
    if (state.rubberBand != 0) {
        const int left = std::min(state.rubberStartX, state.rubberCurrentX);
        const int right = std::max(state.rubberStartX, state.rubberCurrentX);
        const int top = std::min(state.rubberStartY, state.rubberCurrentY);
        const int bottom = std::max(state.rubberStartY, state.rubberCurrentY);
        for (int y = std::max(top, 0); y <= std::min(bottom, image.height() - 1); ++y) {
            for (int x = std::max(left, 0); x <= std::min(right, image.width() - 1); ++x) {
                const bool border = x == left || x == right || y == top || y == bottom;
                blendPixel(image, x, y, kWhite, border ? 1.0 : kRubberBandFill);
            }
        }
    }
}

void paintButtons(BgraImage& image, const EditorView& view) {
    const EditorState& state = view.state();
    const EditorLayout& layout = view.layout();
    for (int n = static_cast<int>(EditorElement::EditTool); n <= static_cast<int>(EditorElement::Histogram);
         ++n) {
        const EditorElement element = static_cast<EditorElement>(n);
        bool on = hovered(view, element);
        if (n <= static_cast<int>(EditorElement::ZoomTool)) {
            on = on || state.toolState == n - 1;
        } else if (element == EditorElement::Histogram) {
            on = on || state.histogram != 0;
        }
        const PanelPoint at = layout.iconOrigin(element);
        paintIcon(image, kIconButtonBase, on, at.x, at.y, 1.0);
        paintIcon(image, n, on, at.x, at.y, 1.0);
    }

    const bool anySelected = view.selectedCount() > 0;
    const int stripImage = allSelectedLinked(view) ? 1 : 0;
    const MaskedBitmap strip{kLinkedStrips[stripImage], kLinkedStrips[stripImage] + kStripPixels * 3,
                             kStripWidth, kStripHeight};
    drawBitmap(image, strip, layout.stripLeft(), layout.stripTop(), anySelected ? 1.0 : kDimmed);

    const SideModes sides[2] = {selectedModes(view, HandleSide::Left),
                                selectedModes(view, HandleSide::Right)};
    const HandleMode modes[6] = {HandleMode::Smooth, HandleMode::Linear, HandleMode::Manual,
                                 HandleMode::Manual, HandleMode::Linear, HandleMode::Smooth};
    for (int i = 0; i < 6; ++i) {
        const EditorElement element =
            static_cast<EditorElement>(static_cast<int>(EditorElement::LeftSmooth) + i);
        const SideModes& side = sides[i < 3 ? 0 : 1];
        const bool on = hovered(view, element) || (anySelected && side.uniform && side.mode == modes[i]);
        const double opacity = anySelected && side.uniform ? 1.0 : kDimmed;
        const PanelPoint at = layout.iconOrigin(element);
        paintIcon(image, static_cast<int>(element), on, at.x, at.y, opacity);
    }
}

} // namespace korvane

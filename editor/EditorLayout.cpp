#include "editor/EditorLayout.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr int kButtonLeft = 17;
constexpr int kButtonRight = 53;
constexpr int kToolTops[] = {14, 46, 78, 110};
constexpr int kIconX = 5;
constexpr int kToolIconY[] = {2, 34, 66};
// Action buttons (reset curve .. histogram) measured from f = H - 54, 32 pixels each.
constexpr int kActionTopFromF = -152;
constexpr int kActionPitch = 32;
// Their icons from H upwards.
constexpr int kActionIconFromH = -218;
// Handle-mode strip: button columns measured from the strip's left edge, in element order 10..16.
constexpr int kStripButtonLeft[] = {92, 12, 41, 72, 121, 146, 177};
constexpr int kStripButtonRight[] = {122, 36, 65, 96, 145, 170, 201};
// The mode buttons' icons put the button's corner at (12, 14) of the icon.
constexpr int kModeIconInsetX = 12;
constexpr int kModeIconInsetY = 14;
constexpr double kZoomBase = 1.4;
constexpr double kKnobSpan = 0.1; // ten steps of 1.4 from the middle to either end

int elementIndex(EditorElement element) {
    return static_cast<int>(element);
}

} // namespace

int EditorLayout::panelWidth(int frameWidth) {
    return std::max(kMinimumWidth, frameWidth) / 8 * 8;
}

EditorLayout::EditorLayout(int width, int height) : width_(width), height_(height) {
    plot_.left = kPlotLeft;
    plot_.top = kPlotTop;
    plot_.right = std::max(kPlotLeft + 1, width - kRightMargin);
    plot_.bottom = std::max(kPlotTop + 1, height - kBottomMargin);
}

PanelRect EditorLayout::inputBar() const {
    return {plot_.left, height_ - 72, plot_.right, height_ - 54};
}

PanelRect EditorLayout::outputBar() const {
    return {kOutputBarLeft, plot_.top, kOutputBarRight, plot_.bottom};
}

PanelRect EditorLayout::framedArea() const {
    return {kOutputBarLeft, plot_.top, plot_.right, height_ - 54};
}

int EditorLayout::stripLeft() const {
    return (plot_.left + plot_.right - kStripWidth) / 2;
}

PanelRect EditorLayout::elementRect(EditorElement element) const {
    const int n = elementIndex(element);
    if (n >= 1 && n <= 3) {
        return {kButtonLeft, kToolTops[n - 1], kButtonRight, kToolTops[n]};
    }
    if (n >= 4 && n <= 8) {
        const int top = height_ - 54 + kActionTopFromF + (n - 4) * kActionPitch;
        return {kButtonLeft, top, kButtonRight, top + kActionPitch};
    }
    if (element == EditorElement::FixedAspect) {
        return {56, height_ - 73, 70, height_ - 51};
    }
    if (n >= 10 && n <= 16) {
        const int x = stripLeft();
        return {x + kStripButtonLeft[n - 10], height_ - 38, x + kStripButtonRight[n - 10], height_ - 19};
    }
    return {0, 0, 0, 0};
}

EditorElement EditorLayout::elementAt(int x, int y, int verticalKnobY) const {
    for (int n = kFirstElement; n < kLastElement; ++n) {
        if (elementRect(static_cast<EditorElement>(n)).contains(x, y)) {
            return static_cast<EditorElement>(n);
        }
    }
    if (verticalKnobArea(verticalKnobY).contains(x, y)) {
        return EditorElement::VerticalKnob;
    }
    return EditorElement::None;
}

PanelPoint EditorLayout::iconOrigin(EditorElement element) const {
    const int n = elementIndex(element);
    if (n >= 1 && n <= 3) {
        return {kIconX, kToolIconY[n - 1]};
    }
    if (n >= 4 && n <= 8) {
        return {kIconX, height_ + kActionIconFromH + (n - 4) * kActionPitch};
    }
    if (element == EditorElement::FixedAspect) {
        return {56, height_ - 73};
    }
    const PanelRect r = elementRect(element);
    return {r.left - kModeIconInsetX, r.top - kModeIconInsetY};
}

double knobPosition(double extentRatio) {
    double b = std::log(extentRatio) / std::log(kZoomBase) * kKnobSpan;
    if (!(b >= -1.0)) { // also a ratio of 0 or NaN
        b = -1.0;
    }
    b = std::min(b, 1.0);
    return (1.0 - b) / 2.0;
}

int EditorLayout::horizontalKnobX(double extentRatio) const {
    const double c = knobPosition(extentRatio);
    return static_cast<int>((plot_.left + 7) * (1.0 - c) + plot_.right * c);
}

int EditorLayout::verticalKnobY(double extentRatio) const {
    const double c = knobPosition(extentRatio);
    return static_cast<int>((plot_.bottom - 4) * (1.0 - c) + plot_.top * c);
}

PanelRect EditorLayout::horizontalKnobArea(int knobX) const {
    const int barTop = height_ - 72;
    return {knobX - 7, barTop - 3, knobX + 7, barTop + 27};
}

PanelRect EditorLayout::verticalKnobArea(int knobY) const {
    return {kOutputBarLeft - 2, knobY - 7, kOutputBarLeft + 16, knobY + 9};
}

PanelPoint EditorLayout::horizontalKnobIcon(int knobX) const {
    return {knobX - kIconSize / 2, height_ - 75};
}

PanelPoint EditorLayout::verticalKnobIcon(int knobY) const {
    return {55, knobY - kIconSize / 2};
}

int EditorLayout::horizontalSliderY() const {
    const PanelRect bar = inputBar();
    return (bar.top + bar.bottom) / 2;
}

int EditorLayout::verticalSliderX() const {
    const PanelRect bar = outputBar();
    return (bar.left + bar.right) / 2;
}

} // namespace korvane

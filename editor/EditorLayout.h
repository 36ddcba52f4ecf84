#pragma once
#include <cstdint>

namespace korvane {

struct PanelPoint {
    int x;
    int y;
};

// A rectangle of panel pixels, left and top included, right and bottom excluded.
struct PanelRect {
    int left;
    int top;
    int right;
    int bottom;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The user-interface elements the mouse can hover, numbered like their icons.
enum class EditorElement : std::int32_t {
    None = -1,
    EditTool = 1,
    PanTool = 2,
    ZoomTool = 3,
    ResetCurve = 4,
    ResetView = 5,
    FitView = 6,
    Invert = 7,
    Histogram = 8,
    FixedAspect = 9,
    Linked = 10,
    LeftSmooth = 11,
    LeftLinear = 12,
    LeftManual = 13,
    RightManual = 14,
    RightLinear = 15,
    RightSmooth = 16,
    VerticalKnob = 17,
};

inline constexpr int kFirstElement = 1;
inline constexpr int kLastElement = 17;

// Icon numbers of the two icon sheets.
inline constexpr int kIconButtonBase = 0;
inline constexpr int kIconFixedAspect = 9;
inline constexpr int kIconVerticalKnob = 17;
inline constexpr int kIconHorizontalKnob = 18;

// Where everything sits in a panel of W x H pixels.
class EditorLayout {
public:
    static constexpr int kMinimumWidth = 280;
    static constexpr int kPlotLeft = 70;
    static constexpr int kPlotTop = 10;
    static constexpr int kRightMargin = 19;
    static constexpr int kBottomMargin = 72;
    static constexpr int kIconSize = 48;
    static constexpr int kStripWidth = 214;
    static constexpr int kStripHeight = 40;
    static constexpr int kOutputBarLeft = 57;
    static constexpr int kOutputBarRight = 70;

    // W = max(280, frame width) rounded down to a multiple of 8; H = frame height.
    static int panelWidth(int frameWidth);

    EditorLayout(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // The plot; never less than one pixel in each direction, so the mapping never divides by zero.
    PanelRect plot() const { return plot_; }
    int left() const { return plot_.left; }
    int right() const { return plot_.right; }
    int top() const { return plot_.top; }
    int bottom() const { return plot_.bottom; }

    PanelRect inputBar() const;
    PanelRect outputBar() const;
    // The plot with both bars: what the frame surrounds.
    PanelRect framedArea() const;
    // Below this row nodes and handles are neither drawn nor hit (the handle-mode strip).
    int controlsTop() const { return height_ - 54; }

    // Click area of an element; an empty rectangle for None.
    PanelRect elementRect(EditorElement element) const;
    // The first element (in number order) under the pixel, None when there is none. The vertical
    // knob's area depends on the view, so its centre is passed in.
    EditorElement elementAt(int x, int y, int verticalKnobY) const;

    // Top-left corner of an element's 48 x 48 icon.
    PanelPoint iconOrigin(EditorElement element) const;
    int stripLeft() const;
    int stripTop() const { return height_ - 48; }

    // Knob centres for a view extent relative to the default extent.
    int horizontalKnobX(double extentRatio) const;
    int verticalKnobY(double extentRatio) const;
    PanelRect horizontalKnobArea(int knobX) const;
    PanelRect verticalKnobArea(int knobY) const;
    PanelPoint horizontalKnobIcon(int knobX) const;
    PanelPoint verticalKnobIcon(int knobY) const;
    // The lines the zoom sliders run along.
    int horizontalSliderY() const;
    int verticalSliderX() const;

private:
    int width_;
    int height_;
    PanelRect plot_;
};

// Position of a knob along its track, 0 at the zoomed-out end and 1 at the zoomed-in end, for a view
// extent relative to the default: the inverse of the slider rule extent = 1.4^(-20 (E - 0.5)).
double knobPosition(double extentRatio);

} // namespace korvane

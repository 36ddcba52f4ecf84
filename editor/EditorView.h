#pragma once
#include "curves/EditorState.h"
#include "editor/EditorCurves.h"
#include "editor/EditorLayout.h"
#include "editor/EditorPresentation.h"
#include "editor/PlotMapping.h"

#include <optional>

namespace korvane {

enum class HandleSide { Left, Right };

struct HandleHit {
    int slot;
    HandleSide side;
};

// The editor's view of the shown curve for one event: the curve and its editor state, the panel layout
// and the mapping between curve units and pixels. Built for every event, never stored.
class EditorView {
public:
    static constexpr double kNodeRadius = 7.0;
    static constexpr double kSelectedNodeRadius = 8.5;
    static constexpr double kNodeHitDistance = kSelectedNodeRadius + 3.0;
    static constexpr double kHandleHitDistance = 8.0;
    static constexpr double kMinimumHandlePixels = 9.0;
    static constexpr int kCurveHitPixels = 20;

    // Makes the editor state set safe to use first: a stored `current`, active node or mode outside its
    // range and a view axis without a positive extent go back to their defaults.
    EditorView(EditorCurves& curves, EditorStateSet& states, const EditorModel& model,
               const EditorPresentation& presentation, int width, int height);

    EditorCurves& curves() { return curves_; }
    const EditorCurves& curves() const { return curves_; }
    EditorStateSet& states() { return states_; }
    const EditorStateSet& states() const { return states_; }
    const EditorPresentation& presentation() const { return presentation_; }
    int currentIndex() const { return states_.current; }
    int shownIndex() const { return shown_; }
    int inputProperty() const { return curves_.input[states_.current]; }
    Curve& curve() { return curves_.curves[shown_]; }
    const Curve& curve() const { return curves_.curves[shown_]; }
    EditorState& state() { return states_.states[shown_]; }
    const EditorState& state() const { return states_.states[shown_]; }
    double slope() const { return model_.neutralSlope; }
    double scale() const { return states_.scale; }
    const EditorLayout& layout() const { return layout_; }
    const PlotMapping& mapping() const { return mapping_; }
    ViewBounds defaultView() const;

    // Stores the view in the shown curve's state and maps with it from now on.
    void setView(const ViewBounds& view);
    // Copies the view, tool, fixed aspect and histogram setting into every curve's state, so that these
    // settings are shared by all curves.
    void shareSettings();

    bool isSelected(int slot) const;
    bool isActiveNode(int slot) const;
    int selectedCount() const;

    double curveAt(double x) const;
    PanelPoint nodePixel(int slot) const;
    // Where a side's handle ends on screen: along its direction, never closer than 9 pixels, rounded up to
    // whole pixels. Nothing when the side shows no handle (Linear, the outer side of an end node of a
    // curve that does not loop, no direction).
    std::optional<PanelPoint> handleEnd(int slot, HandleSide side) const;

    // Hit tests in panel pixels.
    int nodeAt(int x, int y) const;
    std::optional<HandleHit> handleAt(int x, int y) const;
    bool nearCurve(int x, int y) const;

    int horizontalKnobX() const;
    int verticalKnobY() const;

private:
    EditorCurves& curves_;
    EditorStateSet& states_;
    EditorModel model_;
    const EditorPresentation& presentation_;
    int shown_;
    EditorLayout layout_;
    PlotMapping mapping_;
};

// x of a looping curve wrapped into [0, 1).
double wrapUnit(double x);

} // namespace korvane

#pragma once
#include "editor/DragGesture.h"
#include "editor/EditorView.h"
#include "hostapi/PF_Events.h"

namespace korvane {

// The state of the modifier keys of one event.
struct ModifierKeys {
    bool ctrl;
    bool shift;
    bool alt;
    bool ctrlOnly; // exactly the ctrl key (caps lock does not count)

    explicit ModifierKeys(PF_Modifiers modifiers);
};

// What the mouse does to the curve, the selection and the view: the click, drag and adjust-cursor rules
// of the editor, applied to one EditorView.
class EditorInteraction {
public:
    // Values the transient `moved` field takes.
    static constexpr std::uint8_t kNodeMoved = 1;
    static constexpr std::uint8_t kZoomRectangle = 2;

    explicit EditorInteraction(EditorView& view) : view_(view) {}

    // A click at panel pixel `mouse`; starts a gesture in the event's continuation words.
    void click(PF_DoClickEventInfo& event, PanelPoint mouse);
    // One drag event of the gesture the click started; the last one ends it.
    void drag(PF_DoClickEventInfo& event, PanelPoint mouse);
    // Records the element under the mouse (None outside the control); returns the cursor to show.
    PF_CursorType adjustCursor(PanelPoint mouse, PF_Modifiers modifiers, bool insideControl);

    // The curve set changed in this event.
    bool curveChanged() const { return curveChanged_; }
    // The hovered element changed in this event.
    bool hoverChanged() const { return hoverChanged_; }

private:
    void selectOnClick(int node, bool ctrlOnly);
    void startNodeDrag(DragGesture& gesture, int node, PanelPoint mouse);
    void pressButton(EditorElement element, int clicks);
    void pressModeButton(EditorElement element, int clicks);
    void toggleLinked();
    void cycleHistogram();
    void fitView();
    bool startKnobDrag(DragGesture& gesture, PanelPoint mouse);
    void clickInPlot(DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys);

    void dragNodes(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys, bool last);
    void dragHandle(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys);
    void dragRubberBand(const DragGesture& gesture, PanelPoint mouse, bool last);
    void pan(const DragGesture& gesture, PanelPoint mouse, const ModifierKeys& keys);
    void dragZoomSlider(const DragGesture& gesture, PanelPoint mouse);
    void zoom(DragGesture& gesture, PanelPoint mouse, bool last);
    // Takes the new view, except an axis that would become narrower than the minimum view.
    void changeView(const ViewBounds& view);

    EditorView& view_;
    bool curveChanged_ = false;
    bool hoverChanged_ = false;
};

} // namespace korvane

#include "editor/EditorInteraction.h"

namespace korvane {

ModifierKeys::ModifierKeys(PF_Modifiers modifiers)
    : ctrl((modifiers & PF_Mod_CMD_CTRL_KEY) != 0), shift((modifiers & PF_Mod_SHIFT_KEY) != 0),
      alt((modifiers & PF_Mod_OPT_ALT_KEY) != 0),
      ctrlOnly((modifiers & ~PF_Mod_CAPS_LOCK_KEY) == PF_Mod_CMD_CTRL_KEY) {}

PF_CursorType EditorInteraction::adjustCursor(PanelPoint mouse, PF_Modifiers modifiers, bool insideControl) {
    EditorState& state = view_.state();
    const EditorElement hovered = insideControl
                                      ? view_.layout().elementAt(mouse.x, mouse.y, view_.verticalKnobY())
                                      : EditorElement::None;
    hoverChanged_ = static_cast<std::int32_t>(hovered) != state.hoveredElement;
    state.hoveredElement = static_cast<std::int32_t>(hovered);
    if (!insideControl) {
        return PF_Cursor_NONE;
    }

    const ModifierKeys keys(modifiers);
    const bool inPlot = view_.layout().plot().contains(mouse.x, mouse.y);
    if (inPlot && (state.toolState == 1 || (state.toolState == 0 && keys.ctrl))) {
        return PF_Cursor_HAND;
    }
    if (inPlot && state.toolState == 2) {
        return PF_Cursor_MAGNIFY;
    }
    const bool overNode = view_.nodeAt(mouse.x, mouse.y) >= 0;
    const bool overHandle = view_.handleAt(mouse.x, mouse.y).has_value();
    if (!overNode && !overHandle) {
        if (view_.nearCurve(mouse.x, mouse.y)) {
            return PF_Cursor_PEN_ADD;
        }
        return keys.alt ? PF_Cursor_CROSSHAIRS : PF_Cursor_NONE;
    }
    if (overNode && keys.alt) {
        return PF_Cursor_PEN_DELETE;
    }
    return PF_Cursor_PEN_DRAG;
}

} // namespace korvane

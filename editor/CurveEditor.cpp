#include "editor/CurveEditor.h"

#include "curves/HostHandle.h"
#include "editor/EditorDrawing.h"
#include "editor/EditorInteraction.h"
#include "editor/HostBackground.h"
#include "framework/DebugLog.h"
#include "hostapi/PF_Errors.h"
#include "platform/PanelSurface.h"

namespace korvane {

namespace {

void log(std::string_view line) {
    DebugLog::instance().write(line, DebugLog::Info);
}

PF_Err redraw(PF_InData& in_data, PF_EventExtra& event, EditorView& view) {
    if (event.cbs.get_drawing_reference == nullptr) {
        return PF_Err_NONE;
    }
    PF_DrawingRef surface = nullptr;
    if (event.cbs.get_drawing_reference(event.contextH, &surface) != PF_Err_NONE || surface == nullptr) {
        return PF_Err_NONE;
    }
    const int width = view.layout().width();
    const int height = view.layout().height();
    if (in_data.utils == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    OwnedHostHandle buffer(*in_data.utils, bytes);
    if (buffer.get() == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    const HostHandleLock lock(*in_data.utils, buffer.get(), bytes);
    if (!lock) {
        return PF_Err_OUT_OF_MEMORY;
    }
    BgraImage image(static_cast<std::uint8_t*>(lock.data()), width, height);
    const std::array<std::uint8_t, 3> background = hostBackgroundColour(in_data, *surface);
    drawEditor(view, image, background.data());

    const PF_LRect& frame = event.effect_win.current_frame;
    PanelSurface panel(*surface);
    panel.fillRect(PF_LRect{frame.left + width, frame.top, frame.right, frame.bottom}, background.data());
    panel.blit(image.bytes(), width, height, frame.left, frame.top);
    return PF_Err_NONE;
}

void markCurveChanged(PF_InData& in_data, PF_ParamDef* params[], PF_ParamIndex curveParam) {
    if (params == nullptr || curveParam < 0 || (in_data.num_params > 0 && curveParam >= in_data.num_params) ||
        params[curveParam] == nullptr) {
        return;
    }
    params[curveParam]->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

} // namespace

PF_Err handleEditorEvent(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[], PF_EventExtra* event,
                         PF_ParamIndex curveParam, EditorCurves& curves, EditorStateSet& states,
                         const EditorModel& model, const EditorPresentation& presentation) {
    if (in_data == nullptr || event == nullptr || event->contextH == nullptr ||
        event->contextH->w_type != PF_Window_EFFECT || event->effect_win.index != curveParam) {
        return PF_Err_NONE;
    }
    const PF_LRect& frame = event->effect_win.current_frame;
    const int height = frame.bottom - frame.top;
    if (height <= 0) {
        return PF_Err_NONE;
    }
    const bool inControl = event->effect_win.area == PF_EA_CONTROL;
    EditorView view(curves, states, model, presentation, EditorLayout::panelWidth(frame.right - frame.left),
                    height);
    EditorInteraction interaction(view);
    auto panelPoint = [&frame](const PF_Point& p) { return PanelPoint{p.h - frame.left, p.v - frame.top}; };

    bool draw = false;
    switch (event->e_type) {
    case PF_Event_DO_CLICK:
        if (!inControl) {
            return PF_Err_NONE;
        }
        log("PF_Event_CLICK\n");
        interaction.click(event->u.do_click, panelPoint(event->u.do_click.screen_point));
        draw = true;
        break;
    case PF_Event_DRAG:
        if (!inControl) {
            return PF_Err_NONE;
        }
        log("PF_Event_DRAG !\n");
        interaction.drag(event->u.do_click, panelPoint(event->u.do_click.screen_point));
        draw = true;
        break;
    case PF_Event_DRAW:
        if (!inControl) {
            return PF_Err_NONE;
        }
        log("PF_Event_DRAW\n");
        draw = true;
        break;
    case PF_Event_ADJUST_CURSOR: {
        PF_AdjustCursorEventInfo& cursor = event->u.adjust_cursor;
        const PF_CursorType shape =
            interaction.adjustCursor(panelPoint(cursor.screen_point), cursor.modifiers, inControl);
        if (inControl) {
            cursor.set_cursor = shape;
            event->evt_out_flags |= PF_EO_HANDLED_EVENT;
        }
        if (interaction.hoverChanged()) {
            if (inControl) {
                log("invalidating gui due to cursor movement\n");
                return redraw(*in_data, *event, view);
            }
            log("dont draw\n");
        }
        return PF_Err_NONE;
    }
    default:
        return PF_Err_NONE;
    }

    event->evt_out_flags |= PF_EO_HANDLED_EVENT;
    if (interaction.curveChanged()) {
        markCurveChanged(*in_data, params, curveParam);
    }
    return draw ? redraw(*in_data, *event, view) : PF_Err_NONE;
}

} // namespace korvane

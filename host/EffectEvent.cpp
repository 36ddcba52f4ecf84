// Custom-control events: click, drag, draw and adjust-cursor, with the effect window to draw into.
#include "host/EffectCallbacks.h"
#include "host/EffectInstance.h"

#include <algorithm>

namespace kvhost {

namespace {

constexpr int kDefaultPanelWidth = 600;
constexpr int kDefaultControlHeight = 340;

} // namespace

void EffectInstance::setPanelSize(int width, int height) {
    const PF_App_Color bg = suites_.backgroundColour();
    // The platform reports 8-bit components; the application suite gives 16-bit ones.
    const A_u_char background[3] = {A_u_char(bg.red >> 8), A_u_char(bg.green >> 8), A_u_char(bg.blue >> 8)};
    panel_.reset(width, height, background);
}

PF_Err EffectInstance::drawingReference(PF_ContextH context, PF_DrawingRef* surface) {
    if (!inEvent_ || !surface || context != &context_) {
        fault("get_drawing_reference outside an event or with a foreign context");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *surface = panel_.surface();
    return PF_Err_NONE;
}

EventResult EffectInstance::sendEvent(const EventRequest& request) {
    requireSetUp("event");
    unflattenSequence();
    int index = request.paramIndex;
    if (index < 0) {
        for (int i = 1; i < parameterCount() && index < 0; ++i) {
            index = parameters_[std::size_t(i)]->customUI ? i : -1;
        }
        if (index < 0) {
            fail("no parameter has a custom user interface");
        }
    }
    checkIndex(index);
    if (panel_.width() == 0) {
        const PF_ParamDef& control = parameter(index).registered();
        const int width =
            control.ui_width > 0 ? std::min<int>(control.ui_width, kDefaultPanelWidth) : kDefaultPanelWidth;
        setPanelSize(width, control.ui_height > 0 ? control.ui_height : kDefaultControlHeight);
    }

    PF_EventExtra extra{};
    context_ = PF_Context{};
    context_.w_type = request.window;
    extra.contextH = &context_;
    extra.e_type = request.type;
    extra.effect_win.index = index;
    extra.effect_win.area = request.area;
    extra.effect_win.current_frame = PF_LRect{0, 0, panel_.width(), panel_.height()};
    extra.cbs.refcon = this;
    extra.cbs.get_drawing_reference = drawingReferenceTrampoline;
    const bool mouse = request.type == PF_Event_DO_CLICK || request.type == PF_Event_DRAG;
    if (request.type == PF_Event_DO_CLICK) {
        continuation_ = {}; // a click starts a new gesture
    }
    if (mouse) {
        PF_DoClickEventInfo& click = extra.u.do_click;
        click.screen_point = request.point;
        click.num_clicks = request.clicks;
        click.modifiers = request.modifiers;
        std::copy(continuation_.begin(), continuation_.end(), click.continue_refcon);
        click.last_time = request.type == PF_Event_DRAG && request.lastDrag;
    } else if (request.type == PF_Event_DRAW) {
        extra.u.draw.update_rect = extra.effect_win.current_frame;
        extra.u.draw.depth = 32;
    } else if (request.type == PF_Event_ADJUST_CURSOR) {
        extra.u.adjust_cursor.screen_point = request.point;
        extra.u.adjust_cursor.modifiers = request.modifiers;
        extra.u.adjust_cursor.set_cursor = PF_Cursor_NONE;
    }

    inEvent_ = true;
    EventResult result;
    result.result = run(PF_Cmd_EVENT, "PF_Cmd_EVENT", nullptr, &extra);
    inEvent_ = false;
    result.outFlags = extra.evt_out_flags;
    if (mouse) {
        result.sendDrag = extra.u.do_click.send_drag != 0;
        std::copy(std::begin(extra.u.do_click.continue_refcon), std::end(extra.u.do_click.continue_refcon),
                  continuation_.begin());
        if (request.type == PF_Event_DRAG && request.lastDrag) {
            continuation_ = {};
        }
    } else if (request.type == PF_Event_ADJUST_CURSOR) {
        result.cursor = extra.u.adjust_cursor.set_cursor;
    }
    return result;
}

} // namespace kvhost

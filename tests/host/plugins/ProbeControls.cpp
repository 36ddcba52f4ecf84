// The user's changes (the amount follows the count; the level steps up) and the custom control's events.
#include "tests/host/plugins/ProbeCommands.h"
#include "tests/host/plugins/ProbeLevel.h"
#include "tests/host/plugins/ProbeParams.h"
#include "tests/host/plugins/ProbeState.h"

#include <cstddef>

namespace probe {

PF_Err userChangedParam(PF_InData* in, PF_ParamDef* params[], const PF_UserChangedParamExtra* extra) {
    if (extra->param_index == kProbeCount) {
        // The amount follows the count; the angle is disabled while the count is above 50.
        params[kProbeAmount]->u.fs_d.value = params[kProbeCount]->u.sd.value * 2.0;
        params[kProbeAmount]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
        const PF_ParamUtilsSuite1* utils = nullptr;
        if (in->pica_basicP->AcquireSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1,
                                          reinterpret_cast<const void**>(&utils)) != kSPNoError ||
            !utils) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        PF_ParamDef angle = *params[kProbeAngle];
        if (params[kProbeCount]->u.sd.value > 50) {
            angle.ui_flags |= PF_PUI_DISABLED;
        } else {
            angle.ui_flags &= ~PF_PUI_DISABLED;
        }
        PF_Err err = utils->PF_UpdateParamUI(in->effect_ref, kProbeAngle, &angle);
        PF_ParamDef amount = *params[kProbeAmount];
        amount.u.fs_d.slider_max = 200;
        amount.u.fs_d.precision = 0;
        if (!err) {
            err = utils->PF_UpdateParamUI(in->effect_ref, kProbeAmount, &amount);
        }
        if (!setting("keepSuite")) {
            in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
        }
        return err;
    }
    if (extra->param_index == kProbeLevel) {
        PF_Handle h = params[kProbeLevel]->u.arb_d.value;
        auto* value = static_cast<Level*>(in->utils->host_lock_handle(h));
        value->level += 1.0;
        in->utils->host_unlock_handle(h);
        params[kProbeLevel]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    }
    return PF_Err_NONE;
}

// Click: starts a gesture with continuation word 1000 + x and asks for drags. Drag: notes the word it
// got back and moves "count" to the mouse x. Draw: fills the control with the "tint" colour. Adjust
// cursor: a hand over the left half, nothing elsewhere.
PF_Err event(PF_InData* in, PF_ParamDef* params[], PF_EventExtra* extra) {
    note("eventIndex", extra->effect_win.index);
    note("eventWindow", extra->contextH->w_type);
    switch (extra->e_type) {
    case PF_Event_DO_CLICK:
        note("clicks", extra->u.do_click.num_clicks);
        note("clickModifiers", extra->u.do_click.modifiers);
        note("clickRefcon", int(extra->u.do_click.continue_refcon[0]));
        extra->u.do_click.continue_refcon[0] = 1000 + extra->u.do_click.screen_point.h;
        extra->u.do_click.send_drag = 1;
        extra->evt_out_flags = PF_EO_HANDLED_EVENT;
        return PF_Err_NONE;
    case PF_Event_DRAG:
        note("dragRefcon", int(extra->u.do_click.continue_refcon[0]));
        note("lastDrag", extra->u.do_click.last_time);
        params[kProbeCount]->u.sd.value = extra->u.do_click.screen_point.h;
        params[kProbeCount]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
        extra->evt_out_flags = PF_EO_HANDLED_EVENT;
        return PF_Err_NONE;
    case PF_Event_DRAW: {
        PF_DrawingRef surface = nullptr;
        if (setting("everyBadCall")) {
            note("bad get_drawing_reference", extra->cbs.get_drawing_reference(nullptr, &surface));
        }
        if (const PF_Err err = extra->cbs.get_drawing_reference(extra->contextH, &surface)) {
            return err;
        }
        const PF_Pixel tint = params[kProbeTint]->u.cd.value;
        const PF_LRect frame = extra->effect_win.current_frame;
        for (A_long y = frame.top; y < frame.bottom && y < surface->height; ++y) {
            for (A_long x = frame.left; x < frame.right && x < surface->width; ++x) {
                A_u_char* p = surface->pixels + std::ptrdiff_t(y) * surface->rowbytes + std::ptrdiff_t(x) * 4;
                p[0] = tint.blue;
                p[1] = tint.green;
                p[2] = tint.red;
            }
        }
        note("background", surface->background[0]);
        extra->evt_out_flags = PF_EO_HANDLED_EVENT;
        return PF_Err_NONE;
    }
    case PF_Event_ADJUST_CURSOR:
        extra->u.adjust_cursor.set_cursor =
            extra->u.adjust_cursor.screen_point.h < extra->effect_win.current_frame.right / 2
                ? PF_Cursor_HAND
                : PF_Cursor_NONE;
        return PF_Err_NONE;
    default:
        (void)in;
        return PF_Err_NONE;
    }
}

} // namespace probe

// The probe's misbehaviour on request, for the host to detect.
#include "tests/host/plugins/ProbeCommands.h"
#include "tests/host/plugins/ProbeParams.h"
#include "tests/host/plugins/ProbeState.h"

namespace probe {

void misbehaveInRender(PF_InData* in) {
    if (setting("badCalls")) {
        PF_ParamDef never{};
        note("badCheckin", in->inter.checkin_param(in->effect_ref, &never));
        note("badCheckout", in->inter.checkout_param(in->effect_ref, 99, 0, 1, 24, &never));
        note("zeroScale", in->inter.checkout_param(in->effect_ref, 1, 0, 1, 0, &never));
        in->utils->host_dispose_handle(reinterpret_cast<PF_Handle>(&never));
        note("badLock", in->utils->host_lock_handle(nullptr) == nullptr);
    }
    if (setting("leakInRender")) {
        in->utils->host_new_handle(32);
    }
    if (setting("lockInRender")) {
        in->utils->host_lock_handle(in->sequence_data);
    }
    if (setting("keepCheckout")) {
        static PF_ParamDef kept;
        in->inter.checkout_param(in->effect_ref, kProbeCount, in->current_time, in->time_step, in->time_scale,
                                 &kept);
    }
}

// Every callback that takes arguments, called once with bad ones; each answer is noted as "bad NAME":
// the error code, or 1 for a callback that answered with nothing.
void everyBadCall(PF_InData* in, PF_SmartRenderExtra* extra) {
    PF_ParamDef never{};
    PF_ParamDef slider{};
    slider.param_type = PF_Param_SLIDER;
    PF_CustomUIInfo ui{};
    PF_EffectWorld* world = nullptr;
    const auto ref = in->effect_ref;
    note("bad checkout_param", in->inter.checkout_param(ref, 99, 0, 1, 24, &never));
    note("bad checkin_param", in->inter.checkin_param(ref, &never));
    note("bad add_param", in->inter.add_param(ref, -1, &slider));
    note("bad abort", in->inter.abort(nullptr));
    note("bad progress", in->inter.progress(ref, 5, 2));
    note("bad register_ui", in->inter.register_ui(ref, &ui));
    note("bad sprintf", in->utils->ansi.sprintf(nullptr, "%d", 1) == 0);
    note("bad strcpy", in->utils->ansi.strcpy(nullptr, "x") == nullptr);
    note("bad host_lock_handle", in->utils->host_lock_handle(nullptr) == nullptr);
    in->utils->host_unlock_handle(nullptr);
    in->utils->host_dispose_handle(reinterpret_cast<PF_Handle>(&never));
    note("bad host_get_handle_size", in->utils->host_get_handle_size(nullptr) == 0);
    note("bad host_resize_handle", in->utils->host_resize_handle(16, nullptr));
    if (in->utils->iterate_generic) {
        note("bad iterate_generic", in->utils->iterate_generic(-5, nullptr, nullptr));
    }
    PF_RenderRequest request{};
    PF_CheckoutResult checkout{};
    note("bad checkout_layer", keptCheckoutLayer(ref, 0, 0, &request, 0, 1, 24, &checkout));
    note("bad checkout_layer_pixels", extra->cb->checkout_layer_pixels(ref, 77, &world));
    note("bad checkin_layer_pixels", extra->cb->checkin_layer_pixels(ref, 77));
    note("bad checkout_output", extra->cb->checkout_output(ref, nullptr));
    note("bad AcquireSuite", in->pica_basicP->AcquireSuite(nullptr, 1, nullptr));
    note("bad ReleaseSuite", in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1));
    const PF_ParamUtilsSuite1* utils = nullptr;
    const PF_AppSuite2* app = nullptr;
    if (in->pica_basicP->AcquireSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1,
                                      reinterpret_cast<const void**>(&utils)) == kSPNoError) {
        note("bad PF_UpdateParamUI", utils->PF_UpdateParamUI(ref, 99, &slider));
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
    }
    if (in->pica_basicP->AcquireSuite(kPFAppSuite, kPFAppSuiteVersion2,
                                      reinterpret_cast<const void**>(&app)) == kSPNoError) {
        note("bad PF_AppGetBgColor", app->PF_AppGetBgColor(nullptr));
        in->pica_basicP->ReleaseSuite(kPFAppSuite, kPFAppSuiteVersion2);
    }
}

} // namespace probe

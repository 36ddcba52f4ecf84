// A small effect plug-in that exercises every host service the real plug-ins use, and that can be told
// (through ProbeConfigure) to misbehave in the ways the host must detect.
#include "hostapi/AE_Effect.h"
#include "tests/host/plugins/PiPLBuilder.h"
#include "tests/host/plugins/ProbeParams.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr kvtest::PiPLWriter kWriter = kvtest::writePiPL(kvtest::PiPLFields{});
static_assert(kWriter.size == kPiPLRecordSize);

} // namespace

KV_TEST_PIPL_SECTION const std::array<std::uint8_t, kPiPLRecordSize> kProbeRecord =
    kvtest::recordBytes<kPiPLRecordSize>(kWriter);

namespace {

std::mutex settingsMutex;
std::map<std::string, int> settings;
// The deletion callback of pre-render data gets no in_data: the probe keeps the host's dispose function.
void (*probeDispose)(PF_Handle) = nullptr;
// The pre-render's checkout_layer, called again where it does not belong.
decltype(PF_PreRenderCallbacks::checkout_layer) keptCheckoutLayer = nullptr;

int setting(const char* key) {
    std::lock_guard lock(settingsMutex);
    const auto found = settings.find(key);
    return found == settings.end() ? 0 : found->second;
}

void note(const char* key, int value) {
    std::lock_guard lock(settingsMutex);
    settings[key] = value;
}

struct Level {
    double level;
};

struct Sequence {
    std::int32_t renders;
};

PF_Handle newLevel(PF_InData* in, double level) {
    PF_Handle h = in->utils->host_new_handle(sizeof(Level));
    if (!h) {
        return nullptr;
    }
    auto* value = static_cast<Level*>(in->utils->host_lock_handle(h));
    value->level = level;
    in->utils->host_unlock_handle(h);
    return h;
}

double levelOf(PF_InData* in, PF_Handle h) {
    auto* value = static_cast<Level*>(in->utils->host_lock_handle(h));
    const double level = value->level;
    in->utils->host_unlock_handle(h);
    return level;
}

std::string flatText(double level) {
    char text[64];
    std::snprintf(text, sizeof text, "level %.17g", level);
    return text;
}

PF_Err arbitrary(PF_InData* in, PF_ArbParamsExtra* extra) {
    if (extra->refconPV != reinterpret_cast<void*>(std::uintptr_t(kProbeRefcon))) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    switch (extra->which_function) {
    case PF_Arbitrary_NEW_FUNC:
        *extra->u.new_func_params.arbPH = newLevel(in, kProbeDefaultLevel);
        return *extra->u.new_func_params.arbPH ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    case PF_Arbitrary_DISPOSE_FUNC:
        in->utils->host_dispose_handle(extra->u.dispose_func_params.arbH);
        return PF_Err_NONE;
    case PF_Arbitrary_COPY_FUNC:
        *extra->u.copy_func_params.dst_arbPH = newLevel(in, levelOf(in, extra->u.copy_func_params.src_arbH));
        return PF_Err_NONE;
    case PF_Arbitrary_FLAT_SIZE_FUNC:
        *extra->u.flat_size_func_params.flat_data_sizePLu =
            A_u_long(flatText(levelOf(in, extra->u.flat_size_func_params.arbH)).size() + 1);
        return PF_Err_NONE;
    case PF_Arbitrary_FLATTEN_FUNC: {
        const std::string text = flatText(levelOf(in, extra->u.flatten_func_params.arbH));
        if (extra->u.flatten_func_params.buf_sizeLu == text.size() + 1) {
            std::memcpy(extra->u.flatten_func_params.flat_dataPV, text.c_str(), text.size() + 1);
        }
        return PF_Err_NONE;
    }
    case PF_Arbitrary_UNFLATTEN_FUNC: {
        const auto& p = extra->u.unflatten_func_params;
        const std::string text(static_cast<const char*>(p.flat_dataPV), p.buf_sizeLu);
        const double level = text.rfind("level ", 0) == 0 ? std::strtod(text.c_str() + 6, nullptr) : 0.0;
        *p.arbPH = newLevel(in, level);
        return PF_Err_NONE;
    }
    case PF_Arbitrary_INTERP_FUNC: {
        const auto& p = extra->u.interp_func_params;
        const double a = levelOf(in, p.left_arbH);
        const double b = levelOf(in, p.right_arbH);
        *p.interpPH = newLevel(in, a * (1.0 - p.tF) + b * p.tF);
        return PF_Err_NONE;
    }
    case PF_Arbitrary_COMPARE_FUNC: {
        const auto& p = extra->u.compare_func_params;
        *p.compareP =
            levelOf(in, p.a_arbH) == levelOf(in, p.b_arbH) ? PF_ArbCompare_EQUAL : PF_ArbCompare_NOT_EQUAL;
        return PF_Err_NONE;
    }
    default:
        return PF_Err_NONE;
    }
}

PF_Err paramsSetup(PF_InData* in, PF_OutData* out) {
    auto add = [in](PF_ParamDef& def, const char* name, A_long id) {
        in->utils->ansi.strcpy(def.name, name);
        def.uu.id = id;
        return in->inter.add_param(in->effect_ref, -1, &def);
    };
    PF_Err err = PF_Err_NONE;
    PF_ParamDef def{};
    def.param_type = PF_Param_POPUP;
    def.u.pd.num_choices = 3;
    def.u.pd.dephault = 1;
    def.u.pd.value = 1;
    def.u.pd.u.namesptr = "copy | level | fill";
    def.flags = PF_ParamFlag_SUPERVISE;
    if ((err = add(def, "mode", 1))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_FLOAT_SLIDER;
    def.u.fs_d.valid_min = -100;
    def.u.fs_d.valid_max = 100;
    def.u.fs_d.slider_max = 10;
    def.u.fs_d.dephault = 1.5f;
    def.u.fs_d.value = 1.5;
    def.u.fs_d.precision = 2;
    if ((err = add(def, "amount", 2))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_SLIDER;
    def.u.sd.valid_max = 100;
    def.u.sd.slider_max = 100;
    def.u.sd.dephault = 7;
    def.u.sd.value = 7;
    def.flags = PF_ParamFlag_SUPERVISE;
    if ((err = add(def, "count", 3))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_ANGLE;
    def.u.ad.dephault = 45 << 16;
    def.u.ad.value = 45 << 16;
    if ((err = add(def, "angle", 4))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_CHECKBOX;
    def.u.bd.dephault = 1;
    def.u.bd.value = 1;
    def.u.bd.u.nameptr = "";
    if ((err = add(def, "enabled", 5))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_COLOR;
    def.u.cd.dephault = PF_Pixel{255, 10, 20, 30};
    def.u.cd.value = def.u.cd.dephault;
    if ((err = add(def, "tint", 6))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_POINT;
    def.u.td.x_dephault = 50 << 16;
    def.u.td.y_dephault = 25 << 16;
    def.u.td.x_value = def.u.td.x_dephault;
    def.u.td.y_value = def.u.td.y_dephault;
    if ((err = add(def, "centre", 7))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_GROUP_START;
    if ((err = add(def, "group", 8))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_LAYER;
    def.u.ld.dephault = PF_LayerDefault_NONE;
    if ((err = add(def, "other layer", 9))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_GROUP_END;
    if ((err = add(def, "", 10))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_ARBITRARY_DATA;
    def.flags = PF_ParamFlag_SUPERVISE;
    def.ui_flags = PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL;
    def.ui_width = 300;
    def.ui_height = 200;
    def.u.arb_d.id = 11;
    def.u.arb_d.refconPV = reinterpret_cast<void*>(std::uintptr_t(kProbeRefcon));
    def.u.arb_d.dephault = newLevel(in, kProbeDefaultLevel);
    if (!def.u.arb_d.dephault) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if ((err = add(def, "level", 11))) {
        return err;
    }
    PF_CustomUIInfo ui{};
    ui.events = PF_CustomEFlag_EFFECT;
    if ((err = in->inter.register_ui(in->effect_ref, &ui))) {
        return err;
    }
    out->num_params = kProbeParamCount;
    return PF_Err_NONE;
}

PF_Err sequenceSetup(PF_InData* in, PF_OutData* out) {
    PF_Handle h = in->utils->host_new_handle(sizeof(Sequence));
    if (!h) {
        return PF_Err_OUT_OF_MEMORY;
    }
    auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(h));
    sequence->renders = 0;
    in->utils->host_unlock_handle(h);
    out->sequence_data = h;
    return PF_Err_NONE;
}

PF_Err sequenceFlatten(PF_InData* in, PF_OutData* out) {
    PF_Handle raw = in->sequence_data;
    auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(raw));
    char text[32];
    const int length = std::snprintf(text, sizeof text, "renders %d", sequence->renders);
    in->utils->host_unlock_handle(raw);
    PF_Handle flat = in->utils->host_new_handle(A_u_longlong(length + 1));
    if (!flat) {
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memcpy(in->utils->host_lock_handle(flat), text, std::size_t(length + 1));
    in->utils->host_unlock_handle(flat);
    if (!setting("keepRawSequence")) {
        in->utils->host_dispose_handle(raw);
    }
    out->sequence_data = flat;
    return PF_Err_NONE;
}

PF_Err sequenceResetup(PF_InData* in, PF_OutData* out) {
    PF_Handle flat = in->sequence_data;
    int renders = 0;
    if (flat) {
        const auto size = in->utils->host_get_handle_size(flat);
        const std::string text(static_cast<const char*>(in->utils->host_lock_handle(flat)),
                               std::size_t(size));
        in->utils->host_unlock_handle(flat);
        std::sscanf(text.c_str(), "renders %d", &renders);
        if (!setting("keepFlatSequence")) {
            in->utils->host_dispose_handle(flat);
        }
    }
    const PF_Err err = sequenceSetup(in, out);
    if (err == PF_Err_NONE) {
        auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(out->sequence_data));
        sequence->renders = renders;
        in->utils->host_unlock_handle(out->sequence_data);
    }
    return err;
}

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

// Work done by every render: progress calls, scratch from other threads, processor count, faults on
// request.
PF_Err renderChores(PF_InData* in, PF_ParamDef* params[]) {
    for (int i = 0, calls = setting("progressCalls"); i < calls; ++i) {
        if (const PF_Err err = in->inter.progress(in->effect_ref, i, calls)) {
            return err;
        }
    }
    for (int i = 0, count = setting("allocations"); i < count; ++i) {
        PF_Handle h = in->utils->host_new_handle(64);
        if (!h) {
            return PF_Err_OUT_OF_MEMORY;
        }
        in->utils->host_dispose_handle(h);
    }
    if (const int threads = setting("scratchThreads")) {
        std::vector<std::thread> workers;
        std::mutex failedMutex;
        int failed = 0;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&] {
                for (int i = 0; i < 200; ++i) {
                    PF_Handle h = in->utils->host_new_handle(256);
                    if (!h || !in->utils->host_lock_handle(h)) {
                        std::lock_guard lock(failedMutex);
                        ++failed;
                        continue;
                    }
                    in->utils->host_unlock_handle(h);
                    in->utils->host_dispose_handle(h);
                }
            });
        }
        for (auto& w : workers) {
            w.join();
        }
        note("scratchFailures", failed);
    }
    if (setting("countProcessors")) {
        int processors = -1;
        if (in->utils->iterate_generic) {
            processors = 0;
            in->utils->iterate_generic(-1, &processors, [](void* refcon, A_long, A_long, A_long) -> PF_Err {
                ++*static_cast<int*>(refcon);
                return PF_Err_NONE;
            });
        }
        note("processors", processors);
    }
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
    (void)params;
    return PF_Err_NONE;
}

// Output = input (mode "copy"), or every channel at the "level" value checked out at the current time
// (mode "level"); 8, 16 or 32 bits.
PF_Err fill(PF_InData* in, const PF_EffectWorld* input, PF_EffectWorld* output, int depth, int mode) {
    const int pixelBytes = depth == 8 ? 4 : depth == 16 ? 8 : 16;
    if (mode == 2) {
        PF_ParamDef level{};
        PF_Err err = in->inter.checkout_param(in->effect_ref, kProbeLevel, in->current_time, in->time_step,
                                              in->time_scale, &level);
        if (err) {
            return err;
        }
        const double value = levelOf(in, level.u.arb_d.value);
        in->inter.checkin_param(in->effect_ref, &level);
        for (A_long y = 0; y < output->height; ++y) {
            auto* row = static_cast<std::uint8_t*>(output->data) + std::ptrdiff_t(y) * output->rowbytes;
            for (A_long x = 0; x < output->width * 4; ++x) {
                if (depth == 8) {
                    row[x] = std::uint8_t(value * 255.0 + 0.5);
                } else if (depth == 16) {
                    reinterpret_cast<std::uint16_t*>(row)[x] = std::uint16_t(value * 32768.0 + 0.5);
                } else {
                    reinterpret_cast<float*>(row)[x] = float(value);
                }
            }
        }
        return PF_Err_NONE;
    }
    for (A_long y = 0; y < output->height && y < input->height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(output->data) + std::ptrdiff_t(y) * output->rowbytes,
                    static_cast<const std::uint8_t*>(input->data) + std::ptrdiff_t(y) * input->rowbytes,
                    std::size_t(std::min(output->width, input->width)) * std::size_t(pixelBytes));
    }
    return PF_Err_NONE;
}

PF_Err smartPreRender(PF_InData* in, PF_PreRenderExtra* extra) {
    keptCheckoutLayer = extra->cb->checkout_layer;
    PF_RenderRequest request = extra->input->output_request;
    PF_CheckoutResult input{};
    PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0, &request, in->current_time, in->time_step,
                                           in->time_scale, &input);
    if (err) {
        return err;
    }
    // The layer's rectangle may start elsewhere than the input's: moved by "layerLeft" and "layerTop".
    PF_RenderRequest layerRequest = request;
    layerRequest.rect.left += setting("layerLeft");
    layerRequest.rect.top += setting("layerTop");
    PF_CheckoutResult layer{};
    err = extra->cb->checkout_layer(in->effect_ref, kProbeLayer, kProbeLayer, &layerRequest, in->current_time,
                                    in->time_step, in->time_scale, &layer);
    if (err) {
        return err;
    }
    note("layerMaxWidth", layer.max_result_rect.right - layer.max_result_rect.left);
    if (setting("emptyRequest")) {
        // An empty request learns the layer's extent without asking for pixels.
        PF_RenderRequest empty = request;
        empty.rect = PF_LRect{0, 0, 0, 0};
        PF_CheckoutResult extent{};
        extra->cb->checkout_layer(in->effect_ref, 0, 9999, &empty, in->current_time, in->time_step,
                                  in->time_scale, &extent);
        note("extentWidth", extent.max_result_rect.right - extent.max_result_rect.left);
        note("extentHeight", extent.max_result_rect.bottom - extent.max_result_rect.top);
        note("emptyResultWidth", extent.result_rect.right - extent.result_rect.left);
        note("parNum", extent.par.num);
        note("parDen", int(extent.par.den));
    }
    if (const int data = setting("preRenderData")) {
        PF_Handle h = in->utils->host_new_handle(16);
        extra->output->pre_render_data = h;
        if (data == 1) {
            extra->output->delete_pre_render_data_func = [](void* handle) {
                probeDispose(static_cast<PF_Handle>(handle));
            };
        }
    }
    extra->output->result_rect = input.result_rect;
    extra->output->max_result_rect = input.max_result_rect;
    return PF_Err_NONE;
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

PF_Err smartRender(PF_InData* in, PF_ParamDef* params[], PF_SmartRenderExtra* extra) {
    if (setting("everyBadCall")) {
        everyBadCall(in, extra);
    }
    PF_EffectWorld* input = nullptr;
    PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
    if (err || !input) {
        return err;
    }
    PF_EffectWorld* layer = nullptr;
    if ((err = extra->cb->checkout_layer_pixels(in->effect_ref, kProbeLayer, &layer))) {
        return err;
    }
    note("layerWidth", layer ? layer->width : -1);
    if (layer) {
        note("layerHeight", layer->height);
        note("layerOriginX", layer->origin_x);
        note("layerOriginY", layer->origin_y);
        if (extra->input->bitdepth == 8) {
            note("layerFirstRed", static_cast<const PF_Pixel*>(layer->data)->red);
        }
    }
    note("inWidth", in->width);
    PF_EffectWorld* output = nullptr;
    if ((err = extra->cb->checkout_output(in->effect_ref, &output))) {
        return err;
    }
    if ((err = renderChores(in, params))) {
        return err;
    }
    err = fill(in, input, output, extra->input->bitdepth, params[kProbeMode]->u.pd.value);
    if (setting("checkinLayers")) {
        extra->cb->checkin_layer_pixels(in->effect_ref, 0);
        if (layer) {
            extra->cb->checkin_layer_pixels(in->effect_ref, kProbeLayer);
        }
    }
    return err;
}

PF_Err legacyRender(PF_InData* in, PF_ParamDef* params[], PF_LayerDef* output) {
    if (const PF_Err err = renderChores(in, params)) {
        return err;
    }
    const PF_LayerDef* input = &params[0]->u.ld;
    const int depth = ((input->world_flags | output->world_flags) & PF_WorldFlag_DEEP) ? 16 : 8;
    return fill(in, input, output, depth, params[kProbeMode]->u.pd.value);
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

} // namespace

PROBE_EXPORT void ProbeConfigure(const char* key, int value) {
    note(key, value);
}
PROBE_EXPORT int ProbeValue(const char* key) {
    return setting(key);
}
PROBE_EXPORT void ProbeReset() {
    std::lock_guard lock(settingsMutex);
    settings.clear();
}

PROBE_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                   PF_LayerDef* output, void* extra) {
    probeDispose = in->utils->host_dispose_handle;
    switch (cmd) {
    case PF_Cmd_ABOUT:
        in->utils->ansi.sprintf(out->return_msg, "%s v%d.%d.%d\r%s", "\273Probe\253", 2, 2, 6,
                                "Probe effect.");
        return PF_Err_NONE;
    case PF_Cmd_GLOBAL_SETUP:
        note("specMajor", in->version.major);
        note("specMinor", in->version.minor);
        note("applId", in->appl_id);
        out->my_version = setting("wrongVersion") ? 0x00080000 : 0x00113200;
        out->out_flags = 0x06008110;
        out->out_flags2 = 0x00009480;
        return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP:
        return paramsSetup(in, out);
    case PF_Cmd_SEQUENCE_SETUP:
        return sequenceSetup(in, out);
    case PF_Cmd_SEQUENCE_RESETUP:
        return sequenceResetup(in, out);
    case PF_Cmd_SEQUENCE_FLATTEN:
        return sequenceFlatten(in, out);
    case PF_Cmd_SEQUENCE_SETDOWN:
        in->utils->host_dispose_handle(in->sequence_data);
        return PF_Err_NONE;
    case PF_Cmd_USER_CHANGED_PARAM:
        return userChangedParam(in, params, static_cast<const PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_EVENT:
        return event(in, params, static_cast<PF_EventExtra*>(extra));
    case PF_Cmd_ARBITRARY_CALLBACK:
        return arbitrary(in, static_cast<PF_ArbParamsExtra*>(extra));
    case PF_Cmd_SMART_PRE_RENDER:
        return smartPreRender(in, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER:
        return smartRender(in, params, static_cast<PF_SmartRenderExtra*>(extra));
    case PF_Cmd_RENDER:
        return legacyRender(in, params, output);
    default:
        return PF_Err_NONE;
    }
}

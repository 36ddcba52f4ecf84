// Rendering: smart pre-render and smart render, the legacy render, and the chores every render does.
#include "tests/host/plugins/ProbeCommands.h"
#include "tests/host/plugins/ProbeLevel.h"
#include "tests/host/plugins/ProbeParams.h"
#include "tests/host/plugins/ProbeState.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace probe {

namespace {

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
    misbehaveInRender(in);
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

} // namespace

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

} // namespace probe

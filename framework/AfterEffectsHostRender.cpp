// The render commands of AfterEffectsHost: smart pre-render, smart render and the legacy render.
#include "framework/AfterEffectsHost.h"
#include "framework/HostRect.h"
#include "framework/PreRenderLayer.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace korvane {
namespace {

constexpr std::int32_t kRequestMargin = 100;
constexpr A_long kExtentCheckoutId = 9999;
constexpr A_long kLayerExtentCheckoutBase = 10000;

// A host ratio as a double; a zero denominator counts as 1:1.
double ratioOf(const PF_RationalScale& scale) {
    return scale.den == 0 ? 1.0 : double(scale.num) / double(scale.den);
}

// A full-resolution size at the current downsampling, in whole pixels.
std::int32_t scaledSize(A_long size, const PF_RationalScale& scale) {
    if (scale.den == 0 || scale.num <= 0) {
        return size;
    }
    return static_cast<std::int32_t>(std::int64_t{size} * scale.num / std::int64_t{scale.den});
}

// Host time of a frame. Frames that are whole within rounding error land exactly on their time.
A_long hostTimeOfFrame(double frame, A_long localTimeStep) {
    const double time = frame * double(localTimeStep);
    const double nearest = std::round(time);
    return static_cast<A_long>(std::fabs(time - nearest) < 1e-6 ? nearest : std::trunc(time));
}

ImageDesc describeWorld(const PF_EffectWorld& world, std::int32_t depth, const PF_InData& in) {
    ImageDesc desc;
    desc.pixels = world.data;
    desc.width = world.width;
    desc.height = world.height;
    desc.originX = world.origin_x;
    desc.originY = world.origin_y;
    desc.rowBytes = world.rowbytes;
    desc.depth = depth;
    desc.layerWidth = world.width;
    desc.layerHeight = world.height;
    desc.pixelAspect = ratioOf(in.pixel_aspect_ratio);
    desc.downsampleX = ratioOf(in.downsample_x);
    desc.downsampleY = ratioOf(in.downsample_y);
    desc.present = 1;
    return desc;
}

// Input coordinates of a layer's pixel: the layer's origin in the input plus its position in the layer,
// held within 32 bits whatever the host reports.
std::int32_t inInput(std::int32_t layerOrigin, A_long inLayer) {
    const std::int64_t sum = std::int64_t{layerOrigin} + std::int64_t{inLayer};
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// An extra layer's buffer placed in input coordinates. (`bufferX`, `bufferY`) is where the buffer's first
// pixel lies in the layer: a rectangle checked out of a layer larger than the input starts inside it.
ImageDesc describeLayer(const PreRenderLayer& record, A_long bufferX, A_long bufferY, std::int32_t depth,
                        const PF_InData& in) {
    ImageDesc desc = describeWorld(*record.buffer, depth, in);
    desc.originX = inInput(record.originX, bufferX);
    desc.originY = inInput(record.originY, bufferY);
    desc.layerWidth = record.layerWidth;
    desc.layerHeight = record.layerHeight;
    desc.pixelAspect = record.pixelAspect;
    desc.present = record.present ? 1 : 0;
    return desc;
}

// Stands in for a layer the host has no pixels for.
const PF_EffectWorld kEmptyWorld{};

// Checks in every layer checked out during smart render, on every path.
class SmartCheckins {
public:
    SmartCheckins(PF_SmartRenderCallbacks& callbacks, PF_ProgPtr effectRef)
        : callbacks_(callbacks), effectRef_(effectRef) {}
    ~SmartCheckins() {
        for (auto it = ids_.rbegin(); it != ids_.rend(); ++it) {
            if (callbacks_.checkin_layer_pixels != nullptr) {
                callbacks_.checkin_layer_pixels(effectRef_, *it);
            }
        }
    }
    SmartCheckins(const SmartCheckins&) = delete;
    SmartCheckins& operator=(const SmartCheckins&) = delete;

    PF_Err checkout(A_long id, PF_EffectWorld** world) {
        ids_.reserve(ids_.size() + 1);
        const PF_Err err = callbacks_.checkout_layer_pixels(effectRef_, id, world);
        if (err == PF_Err_NONE) {
            ids_.push_back(id);
        }
        return err;
    }

private:
    PF_SmartRenderCallbacks& callbacks_;
    PF_ProgPtr effectRef_;
    std::vector<A_long> ids_;
};

// The pre-render data: locked while the render reads it, disposed of once the frame is done (the host
// never disposes of it itself).
class PreRenderData {
public:
    PreRenderData(const PF_InData& in, PF_Handle handle) : utils_(in.utils), handle_(handle) {
        if (handle_ == nullptr || utils_ == nullptr || utils_->host_lock_handle == nullptr) {
            return;
        }
        records_ = static_cast<PreRenderLayer*>(utils_->host_lock_handle(handle_));
        if (records_ != nullptr && utils_->host_get_handle_size != nullptr) {
            count_ = static_cast<std::size_t>(utils_->host_get_handle_size(handle_) / sizeof(PreRenderLayer));
        }
    }
    ~PreRenderData() {
        if (handle_ == nullptr || utils_ == nullptr) {
            return;
        }
        if (records_ != nullptr && utils_->host_unlock_handle != nullptr) {
            utils_->host_unlock_handle(handle_);
        }
        if (utils_->host_dispose_handle != nullptr) {
            utils_->host_dispose_handle(handle_);
        }
    }
    PreRenderData(const PreRenderData&) = delete;
    PreRenderData& operator=(const PreRenderData&) = delete;

    // The record of layer n; a default record (no pixels) when pre-render left none for it.
    PreRenderLayer record(std::int32_t n) const {
        if (records_ == nullptr || n < 0 || static_cast<std::size_t>(n) >= count_) {
            return PreRenderLayer{};
        }
        return records_[n];
    }

private:
    PF_UtilCallbacks* utils_;
    PF_Handle handle_;
    PreRenderLayer* records_ = nullptr;
    std::size_t count_ = 0;
};

// Checks every parameter of the legacy render back in, on every path. Elements never move.
class ParamCheckouts {
public:
    explicit ParamCheckouts(PF_InData& in) : in_(in) {}
    ~ParamCheckouts() {
        for (PF_ParamDef& def : params_) {
            if (in_.inter.checkin_param != nullptr) {
                in_.inter.checkin_param(in_.effect_ref, &def);
            }
        }
    }
    ParamCheckouts(const ParamCheckouts&) = delete;
    ParamCheckouts& operator=(const ParamCheckouts&) = delete;

    PF_Err checkout(PF_ParamIndex index, A_long time, PF_ParamDef** def) {
        if (in_.inter.checkout_param == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        // Checked out in place: the host knows a checkout by the definition it filled, and that very
        // definition is the one checked in.
        PF_ParamDef& value = params_.emplace_back();
        const PF_Err err =
            in_.inter.checkout_param(in_.effect_ref, index, time, in_.time_step, in_.time_scale, &value);
        if (err != PF_Err_NONE) {
            params_.pop_back();
            return err;
        }
        *def = &value;
        return PF_Err_NONE;
    }

private:
    PF_InData& in_;
    std::deque<PF_ParamDef> params_;
};

} // namespace

std::int32_t AfterEffectsHost::renderAtDepth(std::int32_t depth, const ImageDesc& input,
                                             const ImageDesc& output, const LayerMap& layers) {
    switch (depth) {
    case 8:
        return render8(input, output, layers);
    case 16:
        return render16(input, output, layers);
    case 32:
        return renderFloat(input, output, layers);
    default:
        return noError();
    }
}

PF_Err AfterEffectsHost::smartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/,
                                        PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                        void* extraPointer) {
    auto* extra = static_cast<PF_PreRenderExtra*>(extraPointer);
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->output == nullptr ||
        extra->cb == nullptr || extra->cb->checkout_layer == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_InData& in = *in_data;
    const auto checkoutLayer = extra->cb->checkout_layer;

    std::int32_t layerCount = 0;
    while (layerCount < kMaxLayerParameters && layerParameter(layerCount, nullptr) > 0) {
        ++layerCount;
    }

    const A_long time = hostTimeOfFrame(frameOfLayer(inputLayerName()), in.local_time_step);
    const double pixelAspect = ratioOf(in.pixel_aspect_ratio);
    const double downsampleX = ratioOf(in.downsample_x);
    const double downsampleY = ratioOf(in.downsample_y);
    const std::int32_t layerWidth = scaledSize(in.width, in.downsample_x);
    const std::int32_t layerHeight = scaledSize(in.height, in.downsample_y);

    PF_RenderRequest request = extra->input->output_request;
    request.field = PF_Field_FRAME;
    request.channel_mask = PF_ChannelMask_ARGB;
    request.preserve_rgb_of_zero_alpha = 1;

    const IntRect asked = toIntRect(request.rect);
    IntRect needed = asked;
    expandInputRequest(inputLayerName(), needed, growRect(asked, kRequestMargin), pixelAspect, downsampleX,
                       downsampleY, layerWidth, layerHeight);
    if (needed != asked) {
        // Learn the input's full extent to keep the wider request inside it.
        PF_RenderRequest probe = request;
        probe.rect = PF_LRect{};
        PF_CheckoutResult extent{};
        if (const PF_Err err = checkoutLayer(in.effect_ref, 0, kExtentCheckoutId, &probe, time, in.time_step,
                                             in.time_scale, &extent)) {
            return err;
        }
        const IntRect full = toIntRect(extent.max_result_rect);
        needed = clipRect(needed, full);
        const IntRect clipped = needed;
        expandInputRequest(inputLayerName(), needed, growRect(clipped, kRequestMargin), ratioOf(extent.par),
                           downsampleX, downsampleY, full.x1 - full.x0, full.y1 - full.y0);
    }
    request.rect = toLRect(needed);

    PF_CheckoutResult input{};
    if (const PF_Err err =
            checkoutLayer(in.effect_ref, 0, 0, &request, time, in.time_step, in.time_scale, &input)) {
        return err;
    }

    PF_Handle layersHandle = nullptr;
    if (layerCount > 0) {
        PF_UtilCallbacks* utils = in.utils;
        if (utils == nullptr || utils->host_new_handle == nullptr || utils->host_lock_handle == nullptr ||
            utils->host_unlock_handle == nullptr || utils->host_dispose_handle == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        layersHandle = utils->host_new_handle(sizeof(PreRenderLayer) * std::size_t(layerCount));
        if (layersHandle == nullptr) {
            return PF_Err_OUT_OF_MEMORY;
        }
        auto* records = static_cast<PreRenderLayer*>(utils->host_lock_handle(layersHandle));
        if (records == nullptr) {
            utils->host_dispose_handle(layersHandle);
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        PF_Err err = PF_Err_NONE;
        for (std::int32_t n = 0; n < layerCount; ++n) {
            new (&records[n]) PreRenderLayer{};
        }
        for (std::int32_t n = 0; n < layerCount && err == PF_Err_NONE; ++n) {
            std::string name;
            const std::int32_t k = layerParameter(n, &name);
            const A_long layerTime = hostTimeOfFrame(frameOfLayer(name), in.local_time_step);
            PF_CheckoutResult extentResult{};
            err = checkoutLayer(in.effect_ref, k, k + kLayerExtentCheckoutBase, &request, layerTime,
                                in.time_step, in.time_scale, &extentResult);
            if (err != PF_Err_NONE) {
                break;
            }
            const IntRect extent = toIntRect(extentResult.max_result_rect);
            // The layer sits centred on the input layer.
            const double inputWidth = std::trunc(double(in.width) * downsampleX);
            const double inputHeight = std::trunc(double(in.height) * downsampleY);
            const auto originX =
                static_cast<std::int32_t>(std::trunc((inputWidth + extent.x0 - extent.x1) * 0.5));
            const auto originY =
                static_cast<std::int32_t>(std::trunc((inputHeight + extent.y0 - extent.y1) * 0.5));
            const double layerAspect = ratioOf(extentResult.par);

            IntRect layerRequest = shiftRect(needed, -originX, -originY);
            const IntRect shifted = layerRequest;
            expandInputRequest(name, layerRequest, growRect(shifted, kRequestMargin), layerAspect,
                               downsampleX, downsampleY, extent.x1 - extent.x0, extent.y1 - extent.y0);
            layerRequest = clipRect(layerRequest, extent);

            PreRenderLayer& record = records[n];
            record.present = !layerRequest.empty();
            record.originX = originX;
            record.originY = originY;
            record.layerWidth = extent.x1 - extent.x0;
            record.layerHeight = extent.y1 - extent.y0;
            record.pixelAspect = layerAspect;

            PF_RenderRequest final = request;
            final.rect = toLRect(layerRequest);
            PF_CheckoutResult ignored{};
            err =
                checkoutLayer(in.effect_ref, k, k, &final, layerTime, in.time_step, in.time_scale, &ignored);
        }
        utils->host_unlock_handle(layersHandle);
        if (err != PF_Err_NONE) {
            // The host renders nothing after a failed pre-render, so nobody else would dispose of it.
            utils->host_dispose_handle(layersHandle);
            return err;
        }
    }
    extra->output->pre_render_data = layersHandle;

    IntRect result = toIntRect(input.result_rect);
    if (!result.empty()) {
        const IntRect available = result;
        expandInputRequest(outputLayerName(), result, growRect(available, kRequestMargin), pixelAspect,
                           downsampleX, downsampleY, layerWidth, layerHeight);
    }
    IntRect maximum = toIntRect(input.max_result_rect);
    const IntRect fullExtent = maximum;
    expandInputRequest(outputLayerName(), maximum, growRect(fullExtent, kRequestMargin), pixelAspect,
                       downsampleX, downsampleY, layerWidth, layerHeight);
    result = clipRect(result, maximum);
    extra->output->result_rect = toLRect(result);
    extra->output->max_result_rect = toLRect(maximum);
    extra->output->solid = 0;
    if (extendsBeyond(result, asked)) {
        extra->output->flags |= PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    }
    return noError();
}

PF_Err AfterEffectsHost::smartRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef* /*params*/[],
                                     PF_LayerDef* /*output*/, void* extraPointer) {
    auto* extra = static_cast<PF_SmartRenderExtra*>(extraPointer);
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_InData& in = *in_data;
    PreRenderData layerRecords(in, static_cast<PF_Handle>(extra->input->pre_render_data));
    SmartCheckins checkins(*extra->cb, in.effect_ref);

    PF_EffectWorld* inputWorld = nullptr;
    if (const PF_Err err = checkins.checkout(0, &inputWorld)) {
        return err;
    }
    if (inputWorld == nullptr || inputWorld->data == nullptr) {
        return noError();
    }
    PF_EffectWorld* outputWorld = nullptr;
    if (const PF_Err err = extra->cb->checkout_output(in.effect_ref, &outputWorld)) {
        return err;
    }
    if (outputWorld == nullptr || outputWorld->data == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }

    std::vector<std::pair<std::string, PreRenderLayer>> layers;
    for (std::int32_t n = 0; n < kMaxLayerParameters; ++n) {
        std::string name;
        const std::int32_t k = layerParameter(n, &name);
        if (k <= 0) {
            break;
        }
        PreRenderLayer record = layerRecords.record(n);
        PF_EffectWorld* world = nullptr;
        if (const PF_Err err = checkins.checkout(k, &world)) {
            return err;
        }
        if (world == nullptr || world->data == nullptr) {
            record.buffer = &kEmptyWorld;
            record.originX = 0;
            record.originY = 0;
            record.present = false;
        } else {
            record.buffer = world;
        }
        layers.emplace_back(std::move(name), record);
    }

    const std::int32_t depth = extra->input->bitdepth;
    ImageDesc input = describeWorld(*inputWorld, depth, in);
    input.layerWidth = scaledSize(in.width, in.downsample_x);
    input.layerHeight = scaledSize(in.height, in.downsample_y);
    const ImageDesc output = describeWorld(*outputWorld, depth, in);
    LayerMap layerMap;
    for (const auto& [name, record] : layers) {
        layerMap[name] = describeLayer(record, record.buffer->origin_x, record.buffer->origin_y, depth, in);
    }
    return renderAtDepth(depth, input, output, layerMap);
}

PF_Err AfterEffectsHost::legacyRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef* params[],
                                      PF_LayerDef* output) {
    if (in_data == nullptr || params == nullptr || params[0] == nullptr || output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_InData& in = *in_data;
    ParamCheckouts checkouts(in);

    const PF_LayerDef* inputLayer = &params[0]->u.ld;
    const A_long inputTime = hostTimeOfFrame(frameOfLayer(inputLayerName()), in.local_time_step);
    if (inputTime != in.current_time) {
        PF_ParamDef* shifted = nullptr;
        if (const PF_Err err = checkouts.checkout(0, inputTime, &shifted)) {
            return err;
        }
        inputLayer = &shifted->u.ld;
    }

    std::vector<std::pair<std::string, PreRenderLayer>> layers;
    for (std::int32_t n = 0; n < kMaxLayerParameters; ++n) {
        std::string name;
        const std::int32_t k = layerParameter(n, &name);
        if (k <= 0) {
            break;
        }
        PF_ParamDef* value = nullptr;
        if (const PF_Err err = checkouts.checkout(k, in.current_time, &value)) {
            return err;
        }
        const PF_LayerDef& layer = value->u.ld;
        PreRenderLayer record;
        record.present = layer.data != nullptr;
        // Centred on the output.
        record.originX = (output->width - layer.width) / 2;
        record.originY = (output->height - layer.height) / 2;
        record.layerWidth = layer.width;
        record.layerHeight = layer.height;
        record.pixelAspect = layer.pix_aspect_ratio.den == 0 ? ratioOf(in.pixel_aspect_ratio)
                                                             : ratioOf(layer.pix_aspect_ratio);
        record.buffer = &layer;
        layers.emplace_back(std::move(name), record);
    }

    if (output->data == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    if (inputLayer->data == nullptr) {
        return noError();
    }
    const bool deep =
        (inputLayer->world_flags & PF_WorldFlag_DEEP) != 0 || (output->world_flags & PF_WorldFlag_DEEP) != 0;
    const std::int32_t depth = deep ? 16 : 8;
    ImageDesc input = describeWorld(*inputLayer, depth, in);
    input.originX = in.output_origin_x;
    input.originY = in.output_origin_y;
    const ImageDesc outputDesc = describeWorld(*output, depth, in);
    LayerMap layerMap;
    // checkout_param hands over the whole layer: its buffer starts at the layer's first pixel.
    for (const auto& [name, record] : layers) {
        layerMap[name] = describeLayer(record, 0, 0, depth, in);
    }
    return renderAtDepth(depth, input, outputDesc, layerMap);
}

} // namespace korvane

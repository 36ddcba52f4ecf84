// Rendering a frame: smart pre-render and smart render, or the legacy render.
#include "host/EffectInstance.h"

#include "host/EffectCallbacks.h"
#include "host/HostError.h"

#include <algorithm>

namespace kvhost {

namespace {

PF_LRect intersection(const PF_LRect& a, const PF_LRect& b) {
    PF_LRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        return PF_LRect{0, 0, 0, 0};
    }
    return r;
}

// No output larger than this on a side: a plug-in's result rectangle is checked before pixels are made.
constexpr std::int64_t kLargestSide = 1 << 16;

bool emptyRect(const PF_LRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The layer size at full resolution from its size at the current downsampling.
A_long fullSize(int size, const PF_RationalScale& scale) {
    return A_long(std::int64_t(size) * std::int64_t(scale.den) / std::int64_t(scale.num));
}

} // namespace

HostImage* EffectInstance::renderLayer(int index) {
    if (rendering_) {
        if (index == 0) {
            return &renderInput_;
        }
        const auto found = renderLayers_.find(index);
        return found == renderLayers_.end() ? nullptr : &found->second;
    }
    if (index == 0) {
        return nullptr;
    }
    return parameters_[std::size_t(index)]->layer.get();
}

void EffectInstance::prepareRender(const RenderRequest& request) {
    requireSetUp("render");
    unflattenSequence();
    if (!request.input) {
        fail("render without an input image");
    }
    const int depth = request.depth == 0 ? request.input->depth() : request.depth;
    if (depth != 8 && depth != 16 && depth != 32) {
        fail("render depth " + std::to_string(depth) + " (8, 16 or 32)");
    }
    for (const PF_RationalScale* scale : {&request.downsampleX, &request.downsampleY}) {
        if (scale->num <= 0 || scale->den == 0) {
            fail("downsampling " + std::to_string(scale->num) + "/" + std::to_string(scale->den));
        }
    }
    for (const auto& [index, image] : request.layers) {
        if (index < 1 || index >= parameterCount() || parameter(index).type() != PF_Param_LAYER) {
            fail("render layer for parameter " + std::to_string(index) + ", which is not a layer parameter");
        }
        setLayer(index, image);
    }
    auto atDepth = [depth](const HostImage& image) {
        return image.depth() == depth ? image : image.converted(depth);
    };
    renderDepth_ = depth;
    renderInput_ = atDepth(*request.input);
    renderLayers_.clear();
    for (int i = 1; i < parameterCount(); ++i) {
        if (parameter(i).type() == PF_Param_LAYER && parameter(i).layer) {
            renderLayers_.emplace(i, atDepth(*parameter(i).layer));
        }
    }
    downsampleX_ = request.downsampleX;
    downsampleY_ = request.downsampleY;
    layerWidth_ = fullSize(renderInput_.width(), downsampleX_);
    layerHeight_ = fullSize(renderInput_.height(), downsampleY_);
    layerCheckouts_.clear();
    rendering_ = true;
}

void EffectInstance::endRender() {
    rendering_ = false;
    inPreRender_ = false;
    inSmartRender_ = false;
    renderLayers_.clear();
    layerCheckouts_.clear();
    renderInput_ = HostImage();
    renderOutput_ = HostImage();
    outputWorld_ = PF_EffectWorld{};
}

// Ends the frame on every path out of a render.
struct EffectInstance::RenderScope {
    EffectInstance& instance;
    ~RenderScope() { instance.endRender(); }
};

RenderResult EffectInstance::renderSmart(const RenderRequest& request) {
    prepareRender(request);
    RenderScope scope{*this};
    RenderResult rendered;
    PF_RenderRequest outputRequest{};
    outputRequest.rect = request.outputRect.value_or(renderInput_.extent());
    outputRequest.field = PF_Field_FRAME;
    outputRequest.channel_mask = PF_ChannelMask_ARGB;

    PF_PreRenderInput preInput{};
    preInput.output_request = outputRequest;
    preInput.bitdepth = A_short(renderDepth_);
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    installPreRenderCallbacks(preCallbacks);
    PF_PreRenderExtra preExtra{&preInput, &preOutput, &preCallbacks};
    inPreRender_ = true;
    rendered.result = run(PF_Cmd_SMART_PRE_RENDER, "PF_Cmd_SMART_PRE_RENDER", nullptr, &preExtra);
    inPreRender_ = false;

    if (rendered.result == PF_Err_NONE && !emptyRect(preOutput.result_rect)) {
        const PF_LRect& rect = preOutput.result_rect;
        if (std::int64_t(rect.right) - rect.left > kLargestSide ||
            std::int64_t(rect.bottom) - rect.top > kLargestSide) {
            fail("pre-render result rectangle of " + std::to_string(std::int64_t(rect.right) - rect.left) +
                 " x " + std::to_string(std::int64_t(rect.bottom) - rect.top) + " pixels");
        }
        renderOutput_ = HostImage(rect.right - rect.left, rect.bottom - rect.top, renderDepth_);
        renderOutput_.setOrigin(rect.left, rect.top);
        renderOutput_.setPixelAspect(renderInput_.pixelAspect());
        PF_SmartRenderInput input{};
        input.output_request = outputRequest;
        input.bitdepth = A_short(renderDepth_);
        input.pre_render_data = preOutput.pre_render_data;
        PF_SmartRenderCallbacks callbacks{};
        installSmartRenderCallbacks(callbacks);
        PF_SmartRenderExtra extra{&input, &callbacks};
        inSmartRender_ = true;
        rendered.result = run(PF_Cmd_SMART_RENDER, "PF_Cmd_SMART_RENDER", nullptr, &extra);
        inSmartRender_ = false;
        int leftOut = 0;
        for (const auto& [id, checkout] : layerCheckouts_) {
            leftOut += checkout.checkedOut ? 1 : 0;
        }
        reports_.back().layersCheckedInByHost = leftOut;
        if (rendered.result == PF_Err_NONE) {
            rendered.output = std::move(renderOutput_);
        }
    }

    // The frame is done: the plug-in's deletion callback frees its pre-render data; whatever of it is
    // still live afterwards was never given back.
    if (preOutput.pre_render_data) {
        HostMemory::Activation memoryActive(memory_);
        const MemorySlotBinding memoryBound(memorySlot_, memory_);
        HostSuites::Activation suitesActive(suites_);
        if (preOutput.delete_pre_render_data_func) {
            preOutput.delete_pre_render_data_func(preOutput.pre_render_data);
        }
        auto handle = static_cast<PF_Handle>(preOutput.pre_render_data);
        if (memory_.isLive(handle)) {
            memory_.setOwner(handle, std::string());
        }
        CommandReport& last = reports_.back();
        for (HandleInfo& leak : memory_.takeLeaks()) {
            leak.owner = "pre-render data";
            last.leakedHandles.push_back(leak);
        }
        for (std::string& f : memory_.takeFaults()) {
            last.faults.push_back(std::move(f));
        }
    }
    return rendered;
}

RenderResult EffectInstance::renderLegacy(const RenderRequest& request) {
    const int depth = request.depth == 0 && request.input ? request.input->depth() : request.depth;
    if (depth == 32) {
        fail("the legacy render has no float path; render float with the smart render");
    }
    prepareRender(request);
    RenderScope scope{*this};
    RenderResult rendered;
    renderOutput_ = HostImage(renderInput_.width(), renderInput_.height(), renderDepth_);
    renderOutput_.setPixelAspect(renderInput_.pixelAspect());
    PF_LayerDef output = renderOutput_.world();
    rendered.result = run(PF_Cmd_FRAME_SETUP, "PF_Cmd_FRAME_SETUP", &output, nullptr);
    if (rendered.result == PF_Err_NONE) {
        rendered.result = run(PF_Cmd_RENDER, "PF_Cmd_RENDER", &output, nullptr);
        const PF_Err setdown = run(PF_Cmd_FRAME_SETDOWN, "PF_Cmd_FRAME_SETDOWN", &output, nullptr);
        if (rendered.result == PF_Err_NONE) {
            rendered.result = setdown;
        }
    }
    if (rendered.result == PF_Err_NONE) {
        rendered.output = std::move(renderOutput_);
    }
    return rendered;
}

PF_Err EffectInstance::checkoutLayer(PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                                     A_long time, A_long timeStep, A_u_long timeScale,
                                     PF_CheckoutResult* result) {
    (void)time;
    (void)timeStep;
    (void)timeScale;
    if (!inPreRender_) {
        fault("checkout_layer outside smart pre-render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!request || !result) {
        fault("checkout_layer without a request or a result record");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index < 0 || index >= parameterCount() || parameter(index).type() != PF_Param_LAYER) {
        fault("checkout_layer of parameter " + std::to_string(index) + ", which is not a layer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *result = PF_CheckoutResult{};
    result->par = PF_RationalScale{1, 1};
    LayerCheckout checkout;
    checkout.index = index;
    if (const HostImage* image = renderLayer(index)) {
        result->max_result_rect = image->extent();
        result->result_rect = intersection(request->rect, image->extent());
        result->par = image->pixelAspect();
        result->ref_width = image->width();
        result->ref_height = image->height();
        checkout.rect = result->result_rect;
    }
    layerCheckouts_[checkoutId] = checkout;
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkoutLayerPixels(A_long checkoutId, PF_EffectWorld** pixels) {
    if (!inSmartRender_ || !pixels) {
        fault("checkout_layer_pixels outside smart render or without a result pointer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *pixels = nullptr;
    const auto found = layerCheckouts_.find(checkoutId);
    if (found == layerCheckouts_.end()) {
        fault("checkout_layer_pixels of checkout id " + std::to_string(checkoutId) + ", never checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    LayerCheckout& checkout = found->second;
    HostImage* image = renderLayer(checkout.index);
    if (!image || emptyRect(checkout.rect)) {
        return PF_Err_NONE; // no pixels for this layer: not an error
    }
    checkout.world = image->world(checkout.rect);
    checkout.checkedOut = true;
    *pixels = &checkout.world;
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkinLayerPixels(A_long checkoutId) {
    const auto found = layerCheckouts_.find(checkoutId);
    // A layer without pixels (none chosen, or nothing of it in the request) gave the plug-in no world:
    // handing that back is harmless, as it is in the real host.
    if (inSmartRender_ && found != layerCheckouts_.end() && !found->second.checkedOut &&
        (!renderLayer(found->second.index) || emptyRect(found->second.rect))) {
        return PF_Err_NONE;
    }
    if (!inSmartRender_ || found == layerCheckouts_.end() || !found->second.checkedOut) {
        fault("checkin_layer_pixels of checkout id " + std::to_string(checkoutId) +
              ", which is not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    found->second.checkedOut = false;
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkoutOutput(PF_EffectWorld** output) {
    if (!inSmartRender_ || !output) {
        fault("checkout_output outside smart render or without a result pointer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    outputWorld_ = renderOutput_.world();
    *output = &outputWorld_;
    return PF_Err_NONE;
}

} // namespace kvhost

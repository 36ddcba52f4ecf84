// Rendering a frame: smart pre-render and smart render, or the legacy render.
#include "host/EffectInstance.h"

#include "host/EffectCallbacks.h"
#include "host/HostError.h"

#include <cstdint>
#include <map>

namespace kvhost {

namespace {

// No output larger than this on a side: a plug-in's result rectangle is checked before pixels are made.
constexpr std::int64_t kLargestSide = 1 << 16;

bool emptyRect(const PF_LRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

HostImage* EffectInstance::renderLayer(int index) {
    if (session_.active()) {
        return session_.layer(index);
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
    std::map<int, const HostImage*> layers;
    for (int i = 1; i < parameterCount(); ++i) {
        if (parameter(i).type() == PF_Param_LAYER) {
            layers.emplace(i, parameter(i).layer.get());
        }
    }
    session_.begin(depth, *request.input, layers, request.downsampleX, request.downsampleY);
}

namespace {

// Ends the frame on every path out of a render.
struct RenderScope {
    RenderSession& session;
    ~RenderScope() { session.end(); }
};

} // namespace

RenderResult EffectInstance::renderSmart(const RenderRequest& request) {
    prepareRender(request);
    RenderScope scope{session_};
    RenderResult rendered;
    PF_RenderRequest outputRequest{};
    outputRequest.rect = request.outputRect.value_or(session_.input().extent());
    outputRequest.field = PF_Field_FRAME;
    outputRequest.channel_mask = PF_ChannelMask_ARGB;

    PF_PreRenderInput preInput{};
    preInput.output_request = outputRequest;
    preInput.bitdepth = A_short(session_.depth());
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    installPreRenderCallbacks(preCallbacks);
    PF_PreRenderExtra preExtra{&preInput, &preOutput, &preCallbacks};
    session_.setStep(RenderSession::Step::preRender);
    rendered.result = run(PF_Cmd_SMART_PRE_RENDER, "PF_Cmd_SMART_PRE_RENDER", nullptr, &preExtra);
    session_.setStep(RenderSession::Step::between);

    // The frame is done on every path from here: the plug-in frees its pre-render data.
    try {
        if (rendered.result == PF_Err_NONE && !emptyRect(preOutput.result_rect)) {
            rendered.result = renderFromPreRender(outputRequest, preOutput, rendered.output);
        }
    } catch (...) {
        releasePreRenderData(preOutput);
        throw;
    }
    releasePreRenderData(preOutput);
    return rendered;
}

PF_Err EffectInstance::renderFromPreRender(const PF_RenderRequest& outputRequest,
                                           const PF_PreRenderOutput& preOutput, HostImage& output) {
    const PF_LRect& rect = preOutput.result_rect;
    if (std::int64_t(rect.right) - rect.left > kLargestSide ||
        std::int64_t(rect.bottom) - rect.top > kLargestSide) {
        fail("pre-render result rectangle of " + std::to_string(std::int64_t(rect.right) - rect.left) +
             " x " + std::to_string(std::int64_t(rect.bottom) - rect.top) + " pixels");
    }
    session_.output() = HostImage(rect.right - rect.left, rect.bottom - rect.top, session_.depth());
    session_.output().setOrigin(rect.left, rect.top);
    session_.output().setPixelAspect(session_.input().pixelAspect());
    PF_SmartRenderInput input{};
    input.output_request = outputRequest;
    input.bitdepth = A_short(session_.depth());
    input.pre_render_data = preOutput.pre_render_data;
    PF_SmartRenderCallbacks callbacks{};
    installSmartRenderCallbacks(callbacks);
    PF_SmartRenderExtra extra{&input, &callbacks};
    session_.setStep(RenderSession::Step::smartRender);
    const PF_Err result = run(PF_Cmd_SMART_RENDER, "PF_Cmd_SMART_RENDER", nullptr, &extra);
    session_.setStep(RenderSession::Step::between);
    accounting_.latest().layersCheckedInByHost = session_.layersCheckedOut();
    if (result == PF_Err_NONE) {
        output = std::move(session_.output());
    }
    return result;
}

void EffectInstance::releasePreRenderData(const PF_PreRenderOutput& preOutput) {
    if (!preOutput.pre_render_data) {
        return;
    }
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
    accounting_.reportLate("pre-render data");
}

RenderResult EffectInstance::renderLegacy(const RenderRequest& request) {
    const int depth = request.depth == 0 && request.input ? request.input->depth() : request.depth;
    if (depth == 32) {
        fail("the legacy render has no float path; render float with the smart render");
    }
    prepareRender(request);
    RenderScope scope{session_};
    RenderResult rendered;
    session_.output() = HostImage(session_.input().width(), session_.input().height(), session_.depth());
    session_.output().setPixelAspect(session_.input().pixelAspect());
    PF_LayerDef output = session_.output().world();
    rendered.result = run(PF_Cmd_FRAME_SETUP, "PF_Cmd_FRAME_SETUP", &output, nullptr);
    if (rendered.result == PF_Err_NONE) {
        rendered.result = run(PF_Cmd_RENDER, "PF_Cmd_RENDER", &output, nullptr);
        const PF_Err setdown = run(PF_Cmd_FRAME_SETDOWN, "PF_Cmd_FRAME_SETDOWN", &output, nullptr);
        if (rendered.result == PF_Err_NONE) {
            rendered.result = setdown;
        }
    }
    if (rendered.result == PF_Err_NONE) {
        rendered.output = std::move(session_.output());
    }
    return rendered;
}

PF_Err EffectInstance::checkoutLayer(PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                                     A_long time, A_long timeStep, A_u_long timeScale,
                                     PF_CheckoutResult* result) {
    (void)time;
    (void)timeStep;
    (void)timeScale;
    return session_.checkoutLayer(index, checkoutId, request, result);
}

} // namespace kvhost

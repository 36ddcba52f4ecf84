#pragma once
// A test-only effect: records which operation each command reached and what the render operations saw.
#include "framework/AfterEffectsHost.h"

#include <string>
#include <vector>

namespace korvane::testing {

struct RenderCall {
    std::int32_t depth = 0;
    ImageDesc input;
    ImageDesc output;
    LayerMap layers;
};

class RecordingEffect : public AfterEffectsHost {
public:
    RecordingEffect() : AfterEffectsHost("\xBBTest Curves\xAB", "Korvane", "Test Curves.\n", 1, 0, 7) {}
    RecordingEffect(std::string name, std::string maker, std::string description, std::int32_t major,
                    std::int32_t minor, std::int32_t bugfix)
        : AfterEffectsHost(std::move(name), std::move(maker), std::move(description), major, minor, bugfix) {}

    std::vector<std::string> calls;
    std::vector<RenderCall> renders;
    std::int32_t renderResult = 0;

#define KV_RECORD(op)                                                                                        \
    PF_Err op(PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output) override {         \
        calls.push_back(#op);                                                                                \
        return AfterEffectsHost::op(in, out, params, output);                                                \
    }
#define KV_RECORD_EXTRA(op)                                                                                  \
    PF_Err op(PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output, void* extra)       \
        override {                                                                                           \
        calls.push_back(#op);                                                                                \
        return AfterEffectsHost::op(in, out, params, output, extra);                                         \
    }
    KV_RECORD(about)
    KV_RECORD(globalSetup)
    KV_RECORD(globalSetdown)
    KV_RECORD(paramsSetup)
    KV_RECORD(sequenceSetup)
    KV_RECORD(sequenceResetup)
    KV_RECORD(sequenceFlatten)
    KV_RECORD(sequenceSetdown)
    KV_RECORD(frameSetup)
    KV_RECORD(frameSetdown)
    KV_RECORD(queryDynamicFlags)
    KV_RECORD_EXTRA(userChangedParam)
    KV_RECORD_EXTRA(updateParamsUI)
    KV_RECORD_EXTRA(handleEvent)
    KV_RECORD_EXTRA(completelyGeneral)
    KV_RECORD_EXTRA(arbitraryCallback)
#undef KV_RECORD
#undef KV_RECORD_EXTRA

    std::int32_t render8(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override {
        return record(8, input, output, layers);
    }
    std::int32_t render16(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override {
        return record(16, input, output, layers);
    }
    std::int32_t renderFloat(const ImageDesc& input, const ImageDesc& output,
                             const LayerMap& layers) override {
        return record(32, input, output, layers);
    }

    std::vector<std::string> changedNames;
    void parameterChanged(std::string name) override {
        changedNames.push_back(std::move(name));
    }
    int parameterUIUpdates = 0;
    void updateParameterUI() override {
        ++parameterUIUpdates;
    }

    virtual std::int32_t onRender(const RenderCall&) {
        return renderResult;
    }

private:
    std::int32_t record(std::int32_t depth, const ImageDesc& input, const ImageDesc& output,
                        const LayerMap& layers) {
        calls.push_back(depth == 8 ? "render8" : depth == 16 ? "render16" : "renderFloat");
        renders.push_back(RenderCall{depth, input, output, layers});
        return onRender(renders.back());
    }
};

} // namespace korvane::testing

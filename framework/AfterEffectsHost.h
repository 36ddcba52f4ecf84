#pragma once
#include "framework/ImageDesc.h"
#include "framework/KorvaneHost.h"
#include "framework/LayerMap.h"
#include "framework/SuiteCache.h"
#include "hostapi/AE_Effect.h"
#include "platform/CriticalSection.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace korvane {

// Binds a KorvaneHost to the After Effects plug-in interface: one object per host command, built by the
// entry point, bound to the command's records by dispatch and destroyed before the command returns.
class AfterEffectsHost : public KorvaneHost {
public:
    // Most extra layers a render looks at.
    static constexpr std::int32_t kMaxLayerParameters = 50;

    AfterEffectsHost(std::string name, std::string maker, std::string description, std::int32_t major,
                     std::int32_t minor, std::int32_t bugfix);
    ~AfterEffectsHost() override;

    double frameOfLayer(std::string layerName) override;
    bool isAfterEffectsHost() override { return true; }
    std::int32_t noError() override { return PF_Err_NONE; }
    std::int32_t outOfMemoryError() override { return PF_Err_OUT_OF_MEMORY; }
    std::int32_t abortError() override { return PF_Interrupt_CANCEL; }
    // At most PF_MAX_EFFECT_MSG_LEN characters reach the host; an empty text leaves its field alone.
    void setErrorMessage(std::string text) override;

    std::int32_t progress(std::int32_t current, std::int32_t total) override;
    void* allocate(std::size_t size) override;
    void release(void* memory) override;
    std::int32_t threadCount(std::int32_t requested) override;
    std::int32_t runParallel(std::int32_t count, void* userData, ParallelJob job) override;
    double currentFrame() override;
    double framesPerSecond() override;
    void frameRange(double* first, double* last) override;

    // Maps one host command onto its operation and host error codes onto the result.
    PF_Err dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                    PF_LayerDef* output, void* extra);

    virtual PF_Err about(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_LayerDef* output);
    virtual PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output);
    virtual PF_Err globalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output);
    virtual PF_Err sequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output);
    virtual PF_Err sequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                   PF_LayerDef* output);
    virtual PF_Err sequenceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                   PF_LayerDef* output);
    virtual PF_Err sequenceFlatten(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                   PF_LayerDef* output);
    virtual PF_Err handleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output, void* extra);
    virtual PF_Err arbitraryCallback(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                     PF_LayerDef* output, void* extra);
    virtual PF_Err completelyGeneral(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                     PF_LayerDef* output, void* extra);
    virtual PF_Err paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output);
    virtual PF_Err userChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                    PF_LayerDef* output, void* extra);
    virtual PF_Err updateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra);
    virtual PF_Err frameSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                              PF_LayerDef* output);
    virtual PF_Err frameSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                PF_LayerDef* output);
    virtual PF_Err queryDynamicFlags(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                     PF_LayerDef* output);

    // The effect's pixel work at 8-bit, 16-bit and float depth: fill output from input and layers.
    virtual std::int32_t render8(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) = 0;
    virtual std::int32_t render16(const ImageDesc& input, const ImageDesc& output,
                                  const LayerMap& layers) = 0;
    virtual std::int32_t renderFloat(const ImageDesc& input, const ImageDesc& output,
                                     const LayerMap& layers) = 0;

    virtual std::int32_t parameterCount() { return parameterCount_; }
    // Host index of the n-th layer parameter (from 0), its name written when asked; -1 when there is none.
    virtual std::int32_t layerParameter(std::int32_t n, std::string* name);

    // The host's three render commands; they reach render8, render16 or renderFloat.
    PF_Err smartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra);
    PF_Err smartRender(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra);
    PF_Err legacyRender(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

    // Enables or disables the control of params[index] and has the host redraw it. Returns the host's
    // result, PF_Err_INVALID_INDEX for an index outside the parameter array.
    PF_Err setParameterEnabled(std::int32_t index, bool enabled);

    // Suites of this command, acquired on first use (KorvaneHostError(516) when the host has none).
    const PF_ParamUtilsSuite1* paramUtilsSuite();
    const PF_AppSuite2* appSuite();

    PF_InData* inData() const { return inData_; }
    PF_OutData* outData() const { return outData_; }
    PF_LayerDef* outputLayer() const { return output_; }
    void* extra() const { return extra_; }
    PF_ParamDef** params() const { return params_; }

protected:
    PF_InData* inData_ = nullptr;
    PF_OutData* outData_ = nullptr;
    PF_LayerDef* output_ = nullptr;
    void* extra_ = nullptr;
    PF_ParamDef** params_ = nullptr;
    std::int32_t parameterCount_ = 0;
    CriticalSection hostLock_;
    std::atomic<std::int32_t> cachedAbortStatus_{PF_Err_NONE};
    SuiteCache suites_;

private:
    PF_Err runCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                      PF_LayerDef* output, void* extra);
    std::int32_t renderAtDepth(std::int32_t depth, const ImageDesc& input, const ImageDesc& output,
                               const LayerMap& layers);
};

} // namespace korvane

#include "framework/AfterEffectsHost.h"

#include "framework/BasicSuite.h"
#include "framework/DebugLog.h"
#include "framework/KorvaneException.h"
#include "framework/ParameterRegistration.h"
#include "framework/PluginVersion.h"
#include "platform/SystemInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <sstream>

namespace korvane {
namespace {

// Room before each block handed out by allocate: the whole host handle, keeping the block 16-byte aligned.
constexpr std::size_t kHandlePrefix = 16;
static_assert(sizeof(PF_Handle) <= kHandlePrefix);

CriticalSection processorCountLock;

PF_Err countProcessor(void* refcon, A_long /*thread*/, A_long /*i*/, A_long /*iterations*/) {
    CriticalSectionGuard guard(processorCountLock);
    ++*static_cast<std::int32_t*>(refcon);
    return PF_Err_NONE;
}

void logCommand(const char* name) {
    std::ostringstream message;
    message << name << "\n";
    DebugLog::instance().write(message, DebugLog::Info);
}

bool specVersionAtLeast(const PF_SpecVersion& version, A_short major, A_short minor) {
    return version.major > major || (version.major == major && version.minor >= minor);
}

// Resets the cached abort status around the outermost parallel run of a command.
class AbortStatusReset {
public:
    AbortStatusReset(std::atomic<std::int32_t>& status, bool active) : status_(status), active_(active) {
        if (active_) {
            status_.store(PF_Err_NONE);
        }
    }
    ~AbortStatusReset() {
        if (active_) {
            status_.store(PF_Err_NONE);
        }
    }
    AbortStatusReset(const AbortStatusReset&) = delete;
    AbortStatusReset& operator=(const AbortStatusReset&) = delete;

private:
    std::atomic<std::int32_t>& status_;
    bool active_;
};

} // namespace

AfterEffectsHost::AfterEffectsHost(std::string name, std::string maker, std::string description,
                                   std::int32_t major, std::int32_t minor, std::int32_t bugfix)
    : KorvaneHost(std::move(name), std::move(maker), std::move(description), major, minor, bugfix) {}

AfterEffectsHost::~AfterEffectsHost() {
    // Workers may still be inside allocate or release.
    threadPool_.stopAll();
}

// ---- dispatch ----------------------------------------------------------------------------------

PF_Err AfterEffectsHost::dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra) {
    PF_Err result = noError();
    try {
        if (parameterCount_ < 1) {
            parameterCount_ = assignParameterIndices(parameters(), this);
        }
        inData_ = in_data;
        outData_ = out_data;
        output_ = output;
        extra_ = extra;
        params_ = params;
        if (in_data != nullptr) {
            setBasicSuite(in_data->pica_basicP);
        }
        result = runCommand(cmd, in_data, out_data, params, output, extra);
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (const KorvaneAbort&) {
        return PF_Interrupt_CANCEL;
    } catch (const KorvaneException& exception) {
        std::ostringstream message;
        message << DebugLog::kWarningPrefix << "caught unexpected exception: " << exception.message() << "\n";
        DebugLog::instance().write(message, DebugLog::Warning);
    }
    return result;
}

PF_Err AfterEffectsHost::runCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    switch (cmd) {
    case PF_Cmd_ABOUT:
        return about(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETUP:
        return globalSetup(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETDOWN:
        return globalSetdown(in_data, out_data, params, output);
    case PF_Cmd_PARAMS_SETUP:
        return paramsSetup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP:
        return sequenceSetup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_RESETUP:
        return sequenceResetup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_FLATTEN:
        return sequenceFlatten(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETDOWN:
        return sequenceSetdown(in_data, out_data, params, output);
    case PF_Cmd_FRAME_SETUP:
        return frameSetup(in_data, out_data, params, output);
    case PF_Cmd_RENDER:
        logCommand("PF_Cmd_RENDER");
        return legacyRender(in_data, out_data, params, output);
    case PF_Cmd_FRAME_SETDOWN:
        return frameSetdown(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM:
        return userChangedParam(in_data, out_data, params, output, extra);
    case PF_Cmd_UPDATE_PARAMS_UI:
        return updateParamsUI(in_data, out_data, params, output, extra);
    case PF_Cmd_EVENT:
        return handleEvent(in_data, out_data, params, output, extra);
    case PF_Cmd_COMPLETELY_GENERAL:
        return completelyGeneral(in_data, out_data, params, output, extra);
    case PF_Cmd_QUERY_DYNAMIC_FLAGS:
        return queryDynamicFlags(in_data, out_data, params, output);
    case PF_Cmd_ARBITRARY_CALLBACK:
        return arbitraryCallback(in_data, out_data, params, output, extra);
    case PF_Cmd_SMART_PRE_RENDER:
        logCommand("PF_Cmd_SMART_PRE_RENDER");
        return smartPreRender(in_data, out_data, params, output, extra);
    case PF_Cmd_SMART_RENDER:
        logCommand("PF_Cmd_SMART_RENDER");
        return smartRender(in_data, out_data, params, output, extra);
    default:
        return noError();
    }
}

// ---- command operations ------------------------------------------------------------------------

PF_Err AfterEffectsHost::about(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                               PF_LayerDef* /*output*/) {
    const std::string title = name_ + " " + subtitle_;
    const bool threeParts = versionBugfix_ != 0;
    const char* format = threeParts ? "%s v%d.%d.%d\r%s" : "%s v%d.%d\r%s";
    // The host's sprintf has no bound: format into a buffer that surely holds the text, then hand the
    // host at most what its field takes.
    std::string text(title.size() + description_.size() + 3 * 12 + 16, '\0');
    const auto* ansi = in_data != nullptr && in_data->utils != nullptr ? &in_data->utils->ansi : nullptr;
    if (ansi != nullptr && ansi->sprintf != nullptr) {
        if (threeParts) {
            ansi->sprintf(text.data(), format, title.c_str(), versionMajor_, versionMinor_, versionBugfix_,
                          description_.c_str());
        } else {
            ansi->sprintf(text.data(), format, title.c_str(), versionMajor_, versionMinor_,
                          description_.c_str());
        }
    } else if (threeParts) {
        std::snprintf(text.data(), text.size(), "%s v%d.%d.%d\r%s", title.c_str(), versionMajor_,
                      versionMinor_, versionBugfix_, description_.c_str());
    } else {
        std::snprintf(text.data(), text.size(), "%s v%d.%d\r%s", title.c_str(), versionMajor_, versionMinor_,
                      description_.c_str());
    }
    const std::size_t length = std::min(std::strlen(text.c_str()), std::size_t{PF_MAX_EFFECT_MSG_LEN});
    std::memcpy(out_data->return_msg, text.data(), length);
    out_data->return_msg[length] = '\0';
    return noError();
}

PF_Err AfterEffectsHost::globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                                     PF_LayerDef* /*output*/) {
    out_data->my_version = packEffectVersion(versionMajor_, versionMinor_, versionBugfix_);
    out_data->out_flags = kFrameworkOutFlags;
    // Hosts before 12.5 do not know smart render; their flags stay as given.
    if (in_data != nullptr && specVersionAtLeast(in_data->version, 12, 5)) {
        out_data->out_flags2 = kFrameworkOutFlags2;
    }
    return noError();
}

PF_Err AfterEffectsHost::globalSetdown(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::sequenceSetup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::sequenceResetup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::sequenceSetdown(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::sequenceFlatten(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::handleEvent(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    return noError();
}

PF_Err AfterEffectsHost::arbitraryCallback(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    return noError();
}

PF_Err AfterEffectsHost::completelyGeneral(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    return noError();
}

PF_Err AfterEffectsHost::paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                                     PF_LayerDef* /*output*/) {
    if (in_data == nullptr || out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_Err err = registerParameters(parameters(), in_data, out_data);
    return err != PF_Err_NONE ? err : noError();
}

PF_Err AfterEffectsHost::userChangedParam(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                                          void* extra) {
    const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (changed == nullptr) {
        return noError();
    }
    if (const xParameterBase* element = findParameterAtIndex(parameters(), changed->param_index)) {
        parameterChanged(element->definition().name);
    }
    return noError();
}

PF_Err AfterEffectsHost::updateParamsUI(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    updateParameterUI();
    return noError();
}

PF_Err AfterEffectsHost::frameSetup(PF_InData*, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    out_data->origin.h = 0;
    out_data->origin.v = 0;
    return noError();
}

PF_Err AfterEffectsHost::frameSetdown(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

PF_Err AfterEffectsHost::queryDynamicFlags(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) {
    return noError();
}

std::int32_t AfterEffectsHost::layerParameter(std::int32_t n, std::string* name) {
    return findLayerParameter(parameters(), n, name);
}

// ---- host services -----------------------------------------------------------------------------

void AfterEffectsHost::setErrorMessage(std::string text) {
    if (text.empty() || outData_ == nullptr) {
        return;
    }
    const std::size_t length = std::min(text.size(), std::size_t{PF_MAX_EFFECT_MSG_LEN});
    std::memcpy(outData_->return_msg, text.data(), length);
    outData_->return_msg[length] = '\0';
}

PF_Err AfterEffectsHost::setParameterEnabled(std::int32_t index, bool enabled) {
    if (inData_ == nullptr || params_ == nullptr || index < 0 || index >= inData_->num_params ||
        params_[index] == nullptr) {
        return PF_Err_INVALID_INDEX;
    }
    PF_ParamDef& def = *params_[index];
    if (enabled) {
        def.ui_flags &= ~PF_PUI_DISABLED;
    } else {
        def.ui_flags |= PF_PUI_DISABLED;
    }
    // Premiere Pro redraws only layer controls this way.
    if (inData_->appl_id == PF_APPL_ID_PREMIERE && def.param_type != PF_Param_LAYER) {
        return PF_Err_NONE;
    }
    ScopedSuite<PF_ParamUtilsSuite1> suite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
    if (suite->PF_UpdateParamUI == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return suite->PF_UpdateParamUI(inData_->effect_ref, index, &def);
}

const PF_ParamUtilsSuite1* AfterEffectsHost::paramUtilsSuite() {
    return suites_.get<PF_ParamUtilsSuite1>(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
}

const PF_AppSuite2* AfterEffectsHost::appSuite() {
    return suites_.get<PF_AppSuite2>(kPFAppSuite, kPFAppSuiteVersion2);
}

std::int32_t AfterEffectsHost::progress(std::int32_t current, std::int32_t total) {
    // Workers never call the host; they learn of an abort through the status thread 0 saw.
    if (threadPool_.isWorkerThread()) {
        return cachedAbortStatus_.load() == noError() ? noError() : abortError();
    }
    if (inData_ == nullptr || inData_->inter.progress == nullptr) {
        return noError();
    }
    const PF_Err err = inData_->inter.progress(inData_->effect_ref, current, total);
    if (err != noError()) {
        cachedAbortStatus_.store(err);
    }
    return err;
}

void* AfterEffectsHost::allocate(std::size_t size) {
    if (inData_ == nullptr || inData_->utils == nullptr ||
        size > std::numeric_limits<A_u_longlong>::max() - kHandlePrefix) {
        return nullptr;
    }
    const PF_UtilCallbacks& utils = *inData_->utils;
    if (utils.host_new_handle == nullptr || utils.host_lock_handle == nullptr ||
        utils.host_dispose_handle == nullptr) {
        return nullptr;
    }
    CriticalSectionGuard guard(hostLock_);
    PF_Handle handle = utils.host_new_handle(A_u_longlong(size) + kHandlePrefix);
    if (handle == nullptr) {
        return nullptr;
    }
    void* block = utils.host_lock_handle(handle);
    if (block == nullptr) {
        utils.host_dispose_handle(handle);
        return nullptr;
    }
    std::memcpy(block, &handle, sizeof handle);
    return static_cast<std::byte*>(block) + kHandlePrefix;
}

void AfterEffectsHost::release(void* memory) {
    if (memory == nullptr || inData_ == nullptr || inData_->utils == nullptr) {
        return;
    }
    const PF_UtilCallbacks& utils = *inData_->utils;
    PF_Handle handle = nullptr;
    std::memcpy(&handle, static_cast<std::byte*>(memory) - kHandlePrefix, sizeof handle);
    CriticalSectionGuard guard(hostLock_);
    if (utils.host_unlock_handle != nullptr) {
        utils.host_unlock_handle(handle);
    }
    if (utils.host_dispose_handle != nullptr) {
        utils.host_dispose_handle(handle);
    }
}

std::int32_t AfterEffectsHost::threadCount(std::int32_t requested) {
    std::int32_t count = threadCountOverride_;
    if (count <= 0) {
        count = 0;
        PF_UtilCallbacks* utils = inData_ != nullptr ? inData_->utils : nullptr;
        if (utils != nullptr && utils->iterate_generic != nullptr) {
            std::int32_t counted = 0;
            if (utils->iterate_generic(-1, &counted, &countProcessor) == PF_Err_NONE) {
                count = counted;
            }
        }
        if (count <= 0) {
            count = processorCount();
            if (requested > 0) {
                count = std::min(count, requested);
            }
        }
        // More processors than the pool holds: use them all it can.
        count = std::min(count, ThreadPool::kMaxThreads);
    }
    if (requested > 0 && requested < count) {
        count = requested;
    }
    return std::max(count, std::int32_t{1});
}

std::int32_t AfterEffectsHost::runParallel(std::int32_t count, void* userData, ParallelJob job) {
    // A nested run must not clear an abort the outer run has seen.
    AbortStatusReset reset(cachedAbortStatus_, !threadPool_.isInsideJob());
    return KorvaneHost::runParallel(count, userData, job);
}

double AfterEffectsHost::frameOfLayer(std::string /*layerName*/) {
    return currentFrame();
}

double AfterEffectsHost::currentFrame() {
    if (inData_ == nullptr || inData_->local_time_step == 0) {
        return KorvaneHost::currentFrame();
    }
    return double(inData_->current_time) / double(inData_->local_time_step);
}

double AfterEffectsHost::framesPerSecond() {
    if (inData_ == nullptr || inData_->local_time_step == 0) {
        return KorvaneHost::framesPerSecond();
    }
    return double(inData_->time_scale) / double(inData_->local_time_step);
}

void AfterEffectsHost::frameRange(double* first, double* last) {
    if (inData_ == nullptr || inData_->local_time_step == 0) {
        KorvaneHost::frameRange(first, last);
        return;
    }
    if (first != nullptr) {
        *first = 0.0;
    }
    if (last != nullptr) {
        *last = double(inData_->total_time) / double(inData_->local_time_step) - 1.0;
    }
}

} // namespace korvane

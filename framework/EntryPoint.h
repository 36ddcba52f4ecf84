#pragma once
#include "framework/BasicSuite.h"
#include "framework/KorvaneException.h"
#include "hostapi/PF_Errors.h"
#include "hostapi/PF_InOutData.h"

#include <cstdint>
#include <new>

namespace korvane {

// The values each plug-in file hands its effect object on every call.
struct EffectIdentity {
    const char* name;
    const char* maker;
    const char* description;
    std::int32_t major;
    std::int32_t minor;
    std::int32_t bugfix;
};

// The body of EntryPointFunc: one effect object per command, built on the stack, dispatched and destroyed
// (joining any worker it started) before the result goes back. No exception reaches the host.
template <class Effect>
PF_Err runEntryPoint(const EffectIdentity& identity, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                     PF_ParamDef* params[], PF_LayerDef* output, void* extra) noexcept {
    if (in_data == nullptr || out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    try {
        setBasicSuite(in_data->pica_basicP);
        Effect effect(identity.name, identity.maker, identity.description, identity.major, identity.minor,
                      identity.bugfix);
        return effect.dispatch(cmd, in_data, out_data, params, output, extra);
    } catch (const KorvaneHostError& error) {
        return error.code();
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

} // namespace korvane

#pragma once
// What a curves plug-in file (morrowby.so, tarnwick.so) registers and hands its effect on every call,
// made from the names in the effect's host traits (kMenuName, kMatchName, kIdentityName, kDescription).
#include "editor/CurvesAEHost.h"
#include "framework/EntryPoint.h"
#include "framework/PiPLRecord.h"
#include "framework/PluginIdentity.h"
#include "framework/PluginVersion.h"

namespace korvane {

// The registration record the host reads from the file without loading the code.
template <class Effect>
constexpr auto curvesPiPLRecord() {
    constexpr PiPLDefinition registration{
        Effect::kMenuName,
        Effect::kMatchName,
        "Korvane",
        kEffectVersion,
        kSpecVersionMajor,
        kSpecVersionMinor,
        kFrameworkOutFlags | kCurvesOutFlags,
        kFrameworkOutFlags2 | kCurvesOutFlags2,
    };
    constexpr auto record = buildPiPLRecord<pipl::recordSize(registration)>(registration);
    static_assert(record.size() == kPiPLRecordSize);
    return record;
}

// The body of the file's EntryPointFunc: the effect object built with the effect's names and the version.
template <class Host>
PF_Err runCurvesEntryPoint(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           PF_LayerDef* output, void* extra) noexcept {
    using Effect = typename Host::Traits;
    static constexpr EffectIdentity kIdentity{
        Effect::kIdentityName, "Korvane", Effect::kDescription, kVersionMajor, kVersionMinor, kVersionBugfix,
    };
    return runEntryPoint<Host>(kIdentity, cmd, in_data, out_data, params, output, extra);
}

} // namespace korvane

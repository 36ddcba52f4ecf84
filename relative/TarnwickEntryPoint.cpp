// The plug-in file tarnwick.so: "KV Curves - Relative".
#include "framework/EntryPoint.h"
#include "framework/PiPLRecord.h"
#include "framework/PluginIdentity.h"
#include "framework/PluginVersion.h"
#include "relative/RelativeCurvesAEHost.h"

namespace korvane {

const char* pluginLogName() {
    return "korvane/tarnwick_ae.log";
}

namespace {

constexpr PiPLDefinition kRegistration{
    "KV Curves - Relative",
    "TQKV Relative Curves",
    "Korvane",
    kEffectVersion,
    kSpecVersionMajor,
    kSpecVersionMinor,
    kFrameworkOutFlags | kRelativeOutFlags,
    kFrameworkOutFlags2 | kRelativeOutFlags2,
};

// Read by the host from the file without loading the code.
KV_PIPL_SECTION constexpr auto kPiPL =
    buildPiPLRecord<pipl::recordSize(kRegistration)>(kRegistration);
static_assert(kPiPL.size() == kPiPLRecordSize);

// The name framed by the Windows-1252 guillemets 0xBB and 0xAB.
constexpr EffectIdentity kIdentity{
    "\xBB"
    "Relative Curves"
    "\xAB",
    "Korvane",
    "Relative Curves.\n\nKorvane colour tools. All rights reserved.\n",
    kVersionMajor,
    kVersionMinor,
    kVersionBugfix,
};

} // namespace
} // namespace korvane

extern "C" [[gnu::visibility("default")]] PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                                PF_OutData* out_data, PF_ParamDef* params[],
                                                                PF_LayerDef* output, void* extra) {
    return korvane::runEntryPoint<korvane::RelativeCurvesAEHost>(korvane::kIdentity, cmd, in_data, out_data,
                                                                 params, output, extra);
}

// A small effect plug-in that exercises every host service the real plug-ins use, and that can be told
// (through ProbeConfigure) to misbehave in the ways the host must detect.
// This file holds its registration record and entry point; the commands' answers are in the files that
// ProbeCommands.h names.
#include "hostapi/AE_Effect.h"
#include "tests/host/plugins/PiPLBuilder.h"
#include "tests/host/plugins/ProbeCommands.h"
#include "tests/host/plugins/ProbeLevel.h"
#include "tests/host/plugins/ProbeParams.h"
#include "tests/host/plugins/ProbeState.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr kvtest::PiPLWriter kWriter = kvtest::writePiPL(kvtest::PiPLFields{});
static_assert(kWriter.size == kPiPLRecordSize);

} // namespace

KV_TEST_PIPL_SECTION const std::array<std::uint8_t, kPiPLRecordSize> kProbeRecord =
    kvtest::recordBytes<kPiPLRecordSize>(kWriter);

using namespace probe;

PROBE_EXPORT void ProbeConfigure(const char* key, int value) {
    note(key, value);
}
PROBE_EXPORT int ProbeValue(const char* key) {
    return setting(key);
}
PROBE_EXPORT void ProbeReset() {
    forgetAll();
}

PROBE_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                   PF_LayerDef* output, void* extra) {
    probeDispose = in->utils->host_dispose_handle;
    switch (cmd) {
    case PF_Cmd_ABOUT:
        in->utils->ansi.sprintf(out->return_msg, "%s v%d.%d.%d\r%s", "\273Probe\253", 2, 2, 6,
                                "Probe effect.");
        return PF_Err_NONE;
    case PF_Cmd_GLOBAL_SETUP:
        note("specMajor", in->version.major);
        note("specMinor", in->version.minor);
        note("applId", in->appl_id);
        out->my_version = setting("wrongVersion") ? 0x00080000 : 0x00113200;
        out->out_flags = 0x06008110;
        out->out_flags2 = 0x00009480;
        return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP:
        return paramsSetup(in, out);
    case PF_Cmd_SEQUENCE_SETUP:
        return sequenceSetup(in, out);
    case PF_Cmd_SEQUENCE_RESETUP:
        return sequenceResetup(in, out);
    case PF_Cmd_SEQUENCE_FLATTEN:
        return sequenceFlatten(in, out);
    case PF_Cmd_SEQUENCE_SETDOWN:
        in->utils->host_dispose_handle(in->sequence_data);
        return PF_Err_NONE;
    case PF_Cmd_USER_CHANGED_PARAM:
        return userChangedParam(in, params, static_cast<const PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_EVENT:
        return event(in, params, static_cast<PF_EventExtra*>(extra));
    case PF_Cmd_ARBITRARY_CALLBACK:
        return arbitrary(in, static_cast<PF_ArbParamsExtra*>(extra));
    case PF_Cmd_SMART_PRE_RENDER:
        return smartPreRender(in, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER:
        return smartRender(in, params, static_cast<PF_SmartRenderExtra*>(extra));
    case PF_Cmd_RENDER:
        return legacyRender(in, params, output);
    default:
        return PF_Err_NONE;
    }
}

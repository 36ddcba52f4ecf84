// The plug-in file tarnwick.so: "KV Curves - Relative".
#include "editor/CurvesPluginFile.h"
#include "relative/RelativeCurvesAEHost.h"

const char* korvane::pluginLogName() {
    return "korvane/tarnwick_ae.log";
}

// Read by the host from the file without loading the code.
KV_PIPL_SECTION constexpr auto kPiPL = korvane::curvesPiPLRecord<korvane::RelativeHostTraits>();

extern "C" [[gnu::visibility("default")]] PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                                PF_OutData* out_data, PF_ParamDef* params[],
                                                                PF_LayerDef* output, void* extra) {
    return korvane::runCurvesEntryPoint<korvane::RelativeCurvesAEHost>(cmd, in_data, out_data, params, output,
                                                                       extra);
}

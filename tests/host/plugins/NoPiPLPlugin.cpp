// A plug-in file with EntryPointFunc but no ".pipl" section.
#include "hostapi/AE_Effect.h"

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*,
                                                                        PF_ParamDef*[], PF_LayerDef*, void*) {
    return PF_Err_NONE;
}

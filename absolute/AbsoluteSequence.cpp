// The Absolute effect's sequence data: the editor state set, kept as both effects keep it. The log sections
// name this effect's operations; a handle that cannot be locked while flattening is reported as damaged.
#include "absolute/AbsoluteCurvesAEHost.h"

#include "curves/EffectTraits.h"
#include "editor/EditorSequenceData.h"
#include "framework/DebugLog.h"
#include "framework/LogSection.h"

namespace korvane {

PF_Err AbsoluteCurvesAEHost::sequenceSetup(PF_InData* in_data, PF_OutData* out_data,
                                           PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const LogSection section(DebugLog::instance(), "AbsoluteCurvesAEHost::SequenceSetup\n");
    return setupEditorSequence<AbsoluteTraits>(in_data, out_data);
}

PF_Err AbsoluteCurvesAEHost::sequenceResetup(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const LogSection section(DebugLog::instance(), "AbsoluteCurvesAEHost::SequenceResetup\n");
    return resetupEditorSequence<AbsoluteTraits>(in_data, out_data);
}

PF_Err AbsoluteCurvesAEHost::sequenceSetdown(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return setdownEditorSequence(in_data, out_data);
}

PF_Err AbsoluteCurvesAEHost::sequenceFlatten(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return flattenEditorSequence<AbsoluteTraits>(in_data, out_data, PF_Err_INTERNAL_STRUCT_DAMAGED);
}

} // namespace korvane

// The Relative effect's sequence data: the editor state set, kept as both effects keep it. The log sections
// name this effect's operations; a handle that cannot be locked while flattening is reported as out of
// memory.
#include "relative/RelativeCurvesAEHost.h"

#include "curves/EffectTraits.h"
#include "editor/EditorSequenceData.h"
#include "framework/DebugLog.h"
#include "framework/LogSection.h"

namespace korvane {

PF_Err RelativeCurvesAEHost::sequenceSetup(PF_InData* in_data, PF_OutData* out_data,
                                           PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const LogSection section(DebugLog::instance(), "RelativeCurvesAEHost::SequenceSetup\n");
    return setupEditorSequence<RelativeTraits>(in_data, out_data);
}

PF_Err RelativeCurvesAEHost::sequenceResetup(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const LogSection section(DebugLog::instance(), "RelativeCurvesAEHost::SequenceResetup\n");
    return resetupEditorSequence<RelativeTraits>(in_data, out_data);
}

PF_Err RelativeCurvesAEHost::sequenceSetdown(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return setdownEditorSequence(in_data, out_data);
}

PF_Err RelativeCurvesAEHost::sequenceFlatten(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return flattenEditorSequence<RelativeTraits>(in_data, out_data, PF_Err_OUT_OF_MEMORY);
}

} // namespace korvane

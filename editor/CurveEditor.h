#pragma once
#include "curves/EditorState.h"
#include "editor/EditorCurves.h"
#include "editor/EditorPresentation.h"
#include "hostapi/PF_Events.h"
#include "hostapi/PF_InOutData.h"

namespace korvane {

// One PF_Cmd_EVENT of the "curve" parameter's control. The caller has locked the curve set (the value of
// params[curveParam]) and the sequence data for the call and unlocks both afterwards; the editor locks
// only the redraw buffer it allocates.
//
// Click, drag and draw events count only in the effect-controls window over the control area of
// params[curveParam]; adjust-cursor events of that parameter anywhere in the window. Everything else
// returns PF_Err_NONE untouched. A changed curve set sets PF_ChangeFlag_CHANGED_VALUE of the parameter;
// a redraw whose buffer cannot be allocated or locked returns PF_Err_OUT_OF_MEMORY.
PF_Err handleEditorEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_EventExtra* event, PF_ParamIndex curveParam, EditorCurves& curves,
                         EditorStateSet& states, const EditorModel& model,
                         const EditorPresentation& presentation);

// The same with the effect's traits: handleEditorEvent<AbsoluteTraits>(..., curveSet, states, presentation).
template <class Traits>
PF_Err handleEditorEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_EventExtra* event, PF_ParamIndex curveParam,
                         typename Traits::CurveSetType& curveSet, EditorStateSet& states,
                         const EditorPresentation& presentation) {
    EditorCurves curves = editorCurves(curveSet);
    return handleEditorEvent(in_data, out_data, params, event, curveParam, curves, states,
                             editorModel<Traits>(), presentation);
}

} // namespace korvane

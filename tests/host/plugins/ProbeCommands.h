#pragma once
// The probe's answers to the host's commands, by group; EntryPointFunc (ProbePlugin.cpp) dispatches.
#include "hostapi/AE_Effect.h"

namespace probe {

// Parameters and sequence data (ProbeSetup.cpp).
PF_Err paramsSetup(PF_InData* in, PF_OutData* out);
PF_Err sequenceSetup(PF_InData* in, PF_OutData* out);
PF_Err sequenceFlatten(PF_InData* in, PF_OutData* out);
PF_Err sequenceResetup(PF_InData* in, PF_OutData* out);

// The user's changes and the custom control's events (ProbeControls.cpp).
PF_Err userChangedParam(PF_InData* in, PF_ParamDef* params[], const PF_UserChangedParamExtra* extra);
PF_Err event(PF_InData* in, PF_ParamDef* params[], PF_EventExtra* extra);

// Rendering (ProbeRender.cpp).
PF_Err smartPreRender(PF_InData* in, PF_PreRenderExtra* extra);
PF_Err smartRender(PF_InData* in, PF_ParamDef* params[], PF_SmartRenderExtra* extra);
PF_Err legacyRender(PF_InData* in, PF_ParamDef* params[], PF_LayerDef* output);

// Misbehaviour on request (ProbeBadCalls.cpp).
// The faults a render commits when told to: bad calls, a leaked handle, a handle left locked, a parameter
// left checked out.
void misbehaveInRender(PF_InData* in);
// Every callback that takes arguments, called once with bad ones.
void everyBadCall(PF_InData* in, PF_SmartRenderExtra* extra);

} // namespace probe

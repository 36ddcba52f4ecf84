#pragma once
#include "hostapi/AE_Effect.h"

namespace kvhost {

// The plain C functions the plug-in calls. Those that receive effect_ref forward to the EffectInstance
// it names; the memory callbacks reach the memory made current for the command. None lets an
// exception cross back into the plug-in.
void installInteractCallbacks(PF_InteractCallbacks& inter);
void installCallbacks(PF_UtilCallbacks& utils);
void installPreRenderCallbacks(PF_PreRenderCallbacks& callbacks);
void installSmartRenderCallbacks(PF_SmartRenderCallbacks& callbacks);

PF_Err updateParamUITrampoline(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def);
PF_Err drawingReferenceTrampoline(PF_ContextH context, PF_DrawingRef* surface);
PF_Err iterateGenericTrampoline(A_long iterations, void* refcon, PF_IterateGenericFunc function);

} // namespace kvhost

#pragma once
#include "host/HostMemory.h"
#include "hostapi/AE_Effect.h"

namespace kvhost {

// The plain C functions the plug-in calls. Those that receive effect_ref forward to the EffectInstance
// it names, the others to the instance whose command is running. Each is answered through one guard:
// a bad call is refused and recorded as a fault, and no exception crosses back into the plug-in.
void installInteractCallbacks(PF_InteractCallbacks& inter);
void installCallbacks(PF_UtilCallbacks& utils);
void installPreRenderCallbacks(PF_PreRenderCallbacks& callbacks);
void installSmartRenderCallbacks(PF_SmartRenderCallbacks& callbacks);

// The memory callbacks carry no context, and the plug-in's worker threads call them too (under its own
// lock). So that instances running commands at once on different threads each reach their own memory,
// an instance takes a slot of memory callbacks of its own: takeMemorySlot installs them into `utils` and
// returns the slot, or -1 when every slot is taken (the shared callbacks then reach the memory that
// HostMemory::active names, as for one instance at a time). A slot reaches its instance's memory while
// bound, for the duration of a command, and the memory HostMemory::active names otherwise.
int takeMemorySlot(PF_UtilCallbacks& utils);
void releaseMemorySlot(int slot);
class MemorySlotBinding {
public:
    MemorySlotBinding(int slot, HostMemory& memory);
    ~MemorySlotBinding();
    MemorySlotBinding(const MemorySlotBinding&) = delete;
    MemorySlotBinding& operator=(const MemorySlotBinding&) = delete;

private:
    int slot_;
    HostMemory* previous_ = nullptr;
};

PF_Err updateParamUITrampoline(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def);
PF_Err drawingReferenceTrampoline(PF_ContextH context, PF_DrawingRef* surface);
PF_Err iterateGenericTrampoline(A_long iterations, void* refcon, PF_IterateGenericFunc function);

} // namespace kvhost

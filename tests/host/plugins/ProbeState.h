#pragma once
// The probe's settings by name: set by the test through ProbeConfigure, noted by the probe as it sees
// things and read back through ProbeValue; and the host functions it keeps from one call to the next.
#include "hostapi/AE_Effect.h"

namespace probe {

// 0 when never set.
int setting(const char* key);
void note(const char* key, int value);
void forgetAll();

// The deletion callback of pre-render data gets no in_data: the probe keeps the host's dispose function.
extern void (*probeDispose)(PF_Handle);
// The pre-render's checkout_layer, called again where it does not belong.
extern decltype(PF_PreRenderCallbacks::checkout_layer) keptCheckoutLayer;

} // namespace probe

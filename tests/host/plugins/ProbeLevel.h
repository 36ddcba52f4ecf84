#pragma once
// The probe's arbitrary-data value: one level in a host handle, flattened as the text "level <number>".
#include "hostapi/AE_Effect.h"

namespace probe {

struct Level {
    double level;
};

// A new handle holding `level`; null when the host has no memory.
PF_Handle newLevel(PF_InData* in, double level);
double levelOf(PF_InData* in, PF_Handle h);
// PF_Cmd_ARBITRARY_CALLBACK: new, dispose, copy, flatten, unflatten, interpolate and compare.
PF_Err arbitrary(PF_InData* in, PF_ArbParamsExtra* extra);

} // namespace probe

#pragma once
#include "framework/xParameterList.h"
#include "hostapi/PF_InOutData.h"

#include <cstdint>
#include <string>

namespace korvane {

// True when the definition is of a kind the host can register (and so takes a host index).
bool isRegisteredKind(const xParameterDef& definition);

// Registers every element that is not internal with the host in list order and sets num_params to the
// number registered plus the input layer. Returns the first host error.
PF_Err registerParameters(const xParameterList& list, PF_InData* inData, PF_OutData* outData);

// Numbers the registered elements from 1 in list order (a colour with an alpha slider takes two numbers)
// and binds the elements to the host. Returns the host's parameter count, the input layer included.
std::int32_t assignParameterIndices(const xParameterList& list, AfterEffectsHost* host);

// Host index of the n-th layer element (from 0), its name written when asked; -1 when there is none.
std::int32_t findLayerParameter(const xParameterList& list, std::int32_t n, std::string* name);

// The element registered at the host index, or null.
const xParameterBase* findParameterAtIndex(const xParameterList& list, std::int32_t index);

} // namespace korvane

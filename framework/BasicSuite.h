#pragma once
#include "hostapi/SPBasic.h"

namespace korvane {

// The host's basic suite, stored by the entry point on every call so that suite acquisition works
// without a PF_InData at hand.
void setBasicSuite(SPBasicSuite* suite);
SPBasicSuite* basicSuite();

} // namespace korvane

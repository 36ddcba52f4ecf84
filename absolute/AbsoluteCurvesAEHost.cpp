#include "absolute/AbsoluteCurvesAEHost.h"

namespace korvane {

// The shared commands, made once for this effect.
template class CurvesAEHost<AbsoluteHostTraits>;

} // namespace korvane

#pragma once
#include "host/EffectInstance.h"
#include "host/cli/LutFile.h"

namespace kvhost {

// The effect's grade sampled through its own float render (smart render at 32 bits), every sample opaque.
// 3D: the size^3 lattice over the domain on each axis. 1D: `size` grey inputs over the domain, whose red,
// green and blue outputs are the three channels' curves (for a per-channel grade only).
// Throws HostError naming the plug-in when the render fails.
LutTable sampleGrade3d(EffectInstance& instance, int size, double domainLow, double domainHigh);
LutTable sampleGrade1d(EffectInstance& instance, int size, double domainLow, double domainHigh);

} // namespace kvhost

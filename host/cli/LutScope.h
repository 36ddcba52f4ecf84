#pragma once
#include "host/EffectInstance.h"

#include <string>
#include <vector>

namespace kvhost {

// What a LUT can hold of an effect's grade at the instance's current time.
struct LutScope {
    // Red, green and blue each come out of a curve of that channel alone: a 1D LUT holds the grade.
    bool perChannel = false;
    // What the LUT leaves out, one sentence each (alpha is no part of a LUT).
    std::vector<std::string> warnings;
};

// A LUT holds a grade only when the grade is a function of each pixel's own colour. Throws HostError
// naming the setting that makes it depend on more: for "KV Curves - Relative" a "base layer", a "pre
// blur" above 0, a changed "post blur" property, or a "show" view other than "normal"; for another
// effect any extra layer. Which curves are at their default is the effect's own judgement: a curve set
// that differs from the default set in that curve alone is compared with it through the effect's
// arbitrary-data compare callback.
LutScope lutScopeOf(EffectInstance& instance);

} // namespace kvhost

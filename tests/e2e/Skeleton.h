#pragma once
// The Relative Curves effect is built in stages: until it registers its parameters it is a skeleton
// (input layer only, no sequence data), and the tests of what it does not have yet are skipped. Every
// other test runs in full, and the Absolute Curves effect is never excused.
#include "host/EffectInstance.h"

#include <string>

namespace kvtest {

inline bool skeleton(const std::string& path, const kvhost::EffectInstance& instance) {
    return path == KV_TARNWICK && instance.parameterCount() == 1 && instance.sequenceData() == nullptr;
}

} // namespace kvtest

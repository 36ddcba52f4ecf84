#pragma once
// The real morrowby.so driven through libkvhost.
#include "curves/EffectTraits.h"
#include "tests/absolute/TestCurves.h"
#include "tests/e2e/PluginEffect.h"

namespace korvane::testing {

// Host indices of the effect's parameters.
enum AbsoluteParam : int {
    kChannelParam = 1,
    kCurveParam = 2,
    kScaleParam = 3,
    kNodeXParam = 4,
    kNodeYParam = 5,
    kSelectXParam = 6,
    kSelectYParam = 7,
    kInvertParam = 8,
};

class AbsoluteEffect : public PluginEffect<AbsoluteTraits> {
public:
    AbsoluteEffect() : PluginEffect(KV_MORROWBY, kCurveParam) {}
};

} // namespace korvane::testing

#pragma once
#include "hostapi/PF_ParamDef.h"

#include <cstdint>
#include <type_traits>

namespace korvane {

// What pre-render learns about one extra layer, kept in the host's pre-render data until the render.
struct PreRenderLayer {
    bool present = false;
    std::int32_t originX = 0; // position of the layer in input coordinates
    std::int32_t originY = 0;
    std::int32_t layerWidth = 0;
    std::int32_t layerHeight = 0;
    double pixelAspect = 1.0;
    const PF_EffectWorld* buffer = nullptr; // filled at render time
};

static_assert(std::is_trivially_copyable_v<PreRenderLayer>, "lives in host handle memory");

} // namespace korvane

#include "relative/RelativeCurvesAEHost.h"

namespace korvane {

// The shared commands, made once for this effect.
template class CurvesAEHost<RelativeHostTraits>;

std::int32_t RelativeCurvesAEHost::layerParameter(std::int32_t n, std::string* name) {
    if (n != 0) {
        return -1;
    }
    if (name != nullptr) {
        *name = kBaseLayerName;
    }
    return kParamBaseLayer;
}

} // namespace korvane

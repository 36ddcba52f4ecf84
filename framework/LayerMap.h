#pragma once
#include "framework/ImageDesc.h"

#include <map>
#include <string>

namespace korvane {

// Extra layers of a render by layer-parameter name ("base layer").
using LayerMap = std::map<std::string, ImageDesc>;

} // namespace korvane

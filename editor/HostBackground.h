#pragma once
#include "hostapi/PF_Events.h"
#include "hostapi/PF_InOutData.h"

#include <array>
#include <cstdint>

namespace korvane {

// The background of the effect-controls panel as red, green, blue bytes: the host's application
// background from "PF AE App Suite" version 2 (16-bit components, top 8 bits kept), or, when the host
// does not offer that suite, the background the panel surface reports.
std::array<std::uint8_t, 3> hostBackgroundColour(const PF_InData& in_data, const PF_PanelSurface& surface);

} // namespace korvane

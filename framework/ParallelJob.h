#pragma once
#include <cstdint>

namespace korvane {

// One work function of a parallel run: called once per item; returns a host error code (0 = success).
using ParallelJob = std::int32_t (*)(void* userData, std::int32_t item, std::int32_t itemCount,
                                     std::int32_t threadIndex);

} // namespace korvane

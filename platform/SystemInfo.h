#pragma once
#include <cstdint>

namespace korvane {

// Number of logical processors, at least 1.
std::int32_t processorCount();

} // namespace korvane

#include "platform/SystemInfo.h"

#include <thread>

namespace korvane {

std::int32_t processorCount() {
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : static_cast<std::int32_t>(count);
}

} // namespace korvane

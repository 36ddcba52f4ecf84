#include "platform/CriticalSection.h"

namespace korvane {

void CriticalSection::lock() {
    mutex_.lock();
}

void CriticalSection::unlock() {
    mutex_.unlock();
}

} // namespace korvane

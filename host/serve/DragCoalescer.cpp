#include "host/serve/DragCoalescer.h"

namespace kvhost {

void DragCoalescer::offer(const PanelEvent& drag) {
    std::lock_guard lock(mutex_);
    ++offered_;
    coalesced_ += waiting_ ? 1 : 0;
    waiting_ = drag;
}

std::optional<PanelEvent> DragCoalescer::take() {
    std::lock_guard lock(mutex_);
    std::optional<PanelEvent> taken = waiting_;
    waiting_.reset();
    return taken;
}

std::uint64_t DragCoalescer::offered() const {
    std::lock_guard lock(mutex_);
    return offered_;
}

std::uint64_t DragCoalescer::coalesced() const {
    std::lock_guard lock(mutex_);
    return coalesced_;
}

} // namespace kvhost

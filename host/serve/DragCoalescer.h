#pragma once
#include "host/cli/EventsFile.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace kvhost {

// Drag events that arrive while the effect is busy (a render, an earlier event) wait here, and only the
// latest waits: a drag replaces the one before it, so a stream of drags never queues up behind a slow
// render, and the last position is always the one played.
class DragCoalescer {
public:
    // A drag that now waits; it replaces a drag still waiting, which counts as coalesced.
    void offer(const PanelEvent& drag);
    // The drag waiting now, if any, which stops waiting. Called with the effect held: a drag request
    // plays what it takes (its own position or a later one); another event plays the waiting drag first,
    // so the effect sees the events in the order they were sent.
    std::optional<PanelEvent> take();

    std::uint64_t offered() const;
    std::uint64_t coalesced() const;

private:
    mutable std::mutex mutex_;
    std::optional<PanelEvent> waiting_;
    std::uint64_t offered_ = 0;
    std::uint64_t coalesced_ = 0;
};

} // namespace kvhost

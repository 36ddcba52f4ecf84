#pragma once
#include "hostapi/PF_Events.h"

#include <cstdint>

namespace korvane {

// What a drag of the mouse does, decided by the click that starts it.
enum class DragKind : std::int32_t {
    None = 0,
    Node = 1,
    ZoomSlider = 2,
    Zoom = 3,
    Pan = 4,
    LeftHandle = 5,
    RightHandle = 6,
    RubberBand = 7,
};

// The gesture as the host keeps it between the click and the drag events, in the event record's four
// continuation words: the kind, two words of grab offset or last mouse position, and the mouse start
// packed as y * 65536 + x or a value of the kind's own (the handle's node, the slider).
struct DragGesture {
    DragKind kind = DragKind::None;
    int a = 0;
    int b = 0;
    std::int64_t extra = 0;

    static DragGesture read(const PF_DoClickEventInfo& click);
    void write(PF_DoClickEventInfo& click) const;
};

std::int64_t packPixel(int x, int y);
int unpackPixelX(std::int64_t packed);
int unpackPixelY(std::int64_t packed);

} // namespace korvane

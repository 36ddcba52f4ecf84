#pragma once
#include "framework/IntRect.h"
#include "hostapi/PF_Types.h"

#include <algorithm>
#include <cstdint>

namespace korvane {

inline IntRect toIntRect(const PF_LRect& rect) {
    return IntRect{rect.left, rect.right, rect.top, rect.bottom};
}

inline PF_LRect toLRect(const IntRect& rect) {
    return PF_LRect{rect.x0, rect.y0, rect.x1, rect.y1};
}

// The common part of two rectangles; all zero when they do not meet.
inline IntRect clipRect(const IntRect& rect, const IntRect& bounds) {
    const IntRect clipped{std::max(rect.x0, bounds.x0), std::min(rect.x1, bounds.x1),
                          std::max(rect.y0, bounds.y0), std::min(rect.y1, bounds.y1)};
    return clipped.empty() ? IntRect{} : clipped;
}

inline IntRect growRect(const IntRect& rect, std::int32_t by) {
    return IntRect{rect.x0 - by, rect.x1 + by, rect.y0 - by, rect.y1 + by};
}

inline IntRect shiftRect(const IntRect& rect, std::int32_t dx, std::int32_t dy) {
    return IntRect{rect.x0 + dx, rect.x1 + dx, rect.y0 + dy, rect.y1 + dy};
}

// True when rect reaches past bounds on any side.
inline bool extendsBeyond(const IntRect& rect, const IntRect& bounds) {
    return rect.x0 < bounds.x0 || rect.y0 < bounds.y0 || rect.x1 > bounds.x1 || rect.y1 > bounds.y1;
}

} // namespace korvane

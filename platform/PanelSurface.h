#pragma once
#include "hostapi/PF_Events.h"

#include <cstdint>

namespace korvane {

// Hands a drawn panel to the window the host gave with the event: the stand-in for the device-context
// calls of a desktop platform. Every write is clipped to the surface.
class PanelSurface {
public:
    explicit PanelSurface(PF_PanelSurface& surface) : surface_(surface) {}

    // Fills the rectangle (window coordinates, right and bottom excluded) with a red, green, blue colour.
    void fillRect(const PF_LRect& rect, const std::uint8_t rgb[3]);

    // Copies a top-down image of blue, green, red, alpha bytes, width x height packed rows, with its
    // first row at (left, top).
    void blit(const std::uint8_t* image, int width, int height, int left, int top);

    // The window's background colour as red, green, blue bytes.
    const std::uint8_t* background() const { return surface_.background; }

private:
    PF_PanelSurface& surface_;
};

} // namespace korvane

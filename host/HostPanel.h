#pragma once
#include "hostapi/PF_Events.h"

#include <cstdint>
#include <vector>

namespace kvhost {

// The effect window as the host gives it to a custom control: top-down rows of blue, green, red, alpha
// bytes, handed to the plug-in through get_drawing_reference.
class HostPanel {
public:
    // Every pixel set to the background; the background as red, green, blue bytes.
    void reset(int width, int height, const A_u_char background[3]);

    int width() const { return surface_.width; }
    int height() const { return surface_.height; }
    PF_PanelSurface* surface() { return &surface_; }
    // Blue, green, red, alpha of a pixel.
    const A_u_char* pixel(int x, int y) const {
        return pixels_.data() + std::size_t(y) * std::size_t(surface_.rowbytes) + std::size_t(x) * 4;
    }
    const std::vector<A_u_char>& bytes() const { return pixels_; }

private:
    std::vector<A_u_char> pixels_;
    PF_PanelSurface surface_{};
};

} // namespace kvhost

#include "platform/PanelSurface.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

bool usable(const PF_PanelSurface& surface) {
    return surface.pixels != nullptr && surface.width > 0 && surface.height > 0 &&
           surface.rowbytes >= surface.width * 4;
}

std::uint8_t* row(PF_PanelSurface& surface, int y) {
    return surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.rowbytes);
}

} // namespace

void PanelSurface::fillRect(const PF_LRect& rect, const std::uint8_t rgb[3]) {
    if (!usable(surface_)) {
        return;
    }
    const int left = std::max(rect.left, 0);
    const int right = std::min(rect.right, surface_.width);
    const int top = std::max(rect.top, 0);
    const int bottom = std::min(rect.bottom, surface_.height);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p = row(surface_, y);
        for (int x = left; x < right; ++x) {
            p[x * 4] = rgb[2];
            p[x * 4 + 1] = rgb[1];
            p[x * 4 + 2] = rgb[0];
            p[x * 4 + 3] = 255;
        }
    }
}

void PanelSurface::blit(const std::uint8_t* image, int width, int height, int left, int top) {
    if (!usable(surface_) || image == nullptr || width <= 0 || height <= 0) {
        return;
    }
    const int fromX = std::max(0, -left);
    const int toX = std::min(width, surface_.width - left);
    if (toX <= fromX) {
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(toX - fromX) * 4;
    for (int y = std::max(0, -top); y < height && top + y < surface_.height; ++y) {
        const std::uint8_t* source = image + (static_cast<std::size_t>(y) * width + fromX) * 4;
        std::memcpy(row(surface_, top + y) + static_cast<std::size_t>(left + fromX) * 4, source, bytes);
    }
}

} // namespace korvane

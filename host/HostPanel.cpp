#include "host/HostPanel.h"

#include "host/HostError.h"

namespace kvhost {

void HostPanel::reset(int width, int height, const A_u_char background[3]) {
    // Larger than any effect-controls panel a person could see.
    if (width < 1 || height < 1 || width > 16384 || height > 16384) {
        throw HostError("panel size " + std::to_string(width) + " x " + std::to_string(height) +
                        " is invalid");
    }
    pixels_.assign(std::size_t(width) * std::size_t(height) * 4, 255);
    for (std::size_t i = 0; i < pixels_.size(); i += 4) {
        pixels_[i] = background[2];
        pixels_[i + 1] = background[1];
        pixels_[i + 2] = background[0];
    }
    surface_.pixels = pixels_.data();
    surface_.width = width;
    surface_.height = height;
    surface_.rowbytes = width * 4;
    surface_.background[0] = background[0];
    surface_.background[1] = background[1];
    surface_.background[2] = background[2];
}

} // namespace kvhost

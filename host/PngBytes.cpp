#include "host/PngBytes.h"

#include "host/HostError.h"

#include <png.h>

#include <csetjmp>
#include <new>

namespace kvhost {

namespace {

enum class Layout { BgraAsRgb, BgraAsRgba, ArgbAsRgba };

void append(png_structp png, png_bytep data, png_size_t size) {
    auto* bytes = static_cast<std::string*>(png_get_io_ptr(png));
    try {
        bytes->append(reinterpret_cast<const char*>(data), size);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void flush(png_structp) {}

// libpng reports a failure by jumping back to the setjmp here, so nothing with a destructor lives in this
// frame; the bytes go to `out`, which the caller owns.
bool encode(png_structp png, png_infop info, const unsigned char* rows, std::size_t rowBytes, int width,
            int height, Layout layout, std::string* out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, append, flush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 layout == Layout::BgraAsRgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    switch (layout) {
    case Layout::BgraAsRgb:
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER); // the rows' fourth byte is left out
        break;
    case Layout::BgraAsRgba:
        png_set_bgr(png);
        break;
    case Layout::ArgbAsRgba:
        png_set_swap_alpha(png);
        break;
    }
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rows + std::size_t(y) * rowBytes);
    }
    png_write_end(png, nullptr);
    return true;
}

std::string pngOf(const unsigned char* rows, std::size_t rowBytes, int width, int height, Layout layout) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::string bytes;
    const bool made = info && encode(png, info, rows, rowBytes, width, height, layout, &bytes);
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (!made) {
        throw HostError("a PNG of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels could not be made: out of memory");
    }
    return bytes;
}

} // namespace

std::string pngFromBgra(const unsigned char* bgra, int width, int height, std::size_t rowBytes) {
    bool translucent = false;
    for (int y = 0; y < height && !translucent; ++y) {
        for (int x = 0; x < width && !translucent; ++x) {
            translucent = bgra[std::size_t(y) * rowBytes + std::size_t(x) * 4 + 3] != 255;
        }
    }
    return pngOf(bgra, rowBytes, width, height, translucent ? Layout::BgraAsRgba : Layout::BgraAsRgb);
}

std::string pngFromImage(const HostImage& image) {
    if (image.depth() != 8) {
        return pngFromImage(image.converted(8));
    }
    // PF_Pixel is alpha, red, green, blue.
    return pngOf(image.row(0), std::size_t(image.rowBytes()), image.width(), image.height(), Layout::ArgbAsRgba);
}

} // namespace kvhost

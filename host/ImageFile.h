#pragma once
#include "host/FileReplacement.h"
#include "host/HostImage.h"

#include <memory>
#include <string>

namespace kvhost {

// Image files as the host reads and writes them. 8-bit values are taken as they are, float values as
// they are, and 16-bit values are mapped onto the host's 16-bit range, whose white is 32768:
//   host = floor(file x 32768 / 65535 + 0.5) when reading,
//   file = min(65535, floor(host x 65535 / 32768 + 0.5)) when writing.
int hostFrom16BitFile(int fileValue);
int fileFrom16BitHost(int hostValue);

// An image file opened for reading. A file without alpha reads as opaque; a grey file (with or without
// alpha) reads with red = green = blue.
class InputImageFile {
public:
    // Opens the file and reads its header; throws HostError naming the file and the fault.
    explicit InputImageFile(const std::string& path);
    ~InputImageFile();
    InputImageFile(const InputImageFile&) = delete;
    InputImageFile& operator=(const InputImageFile&) = delete;

    const std::string& path() const { return path_; }
    // The host depth nearest to the file's: 8 for 8 bits or fewer, 16 for more bits up to 16, 32 for
    // float, half and 32-bit integers.
    int depth() const { return depth_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The pixels at a host depth; throws HostError naming the file when they cannot be read whole.
    HostImage read(int depth);

private:
    struct Reader;
    std::string path_;
    std::unique_ptr<Reader> reader_;
    int depth_ = 8;
    int width_ = 0;
    int height_ = 0;
};

// An image file to be written: the format is checked when the object is made, before any work is done;
// the pixels are written whole or not at all.
class OutputImageFile {
public:
    // Throws HostError naming the file when its folder is missing or not writable, or when no format
    // writes its extension.
    explicit OutputImageFile(const std::string& path);

    const std::string& path() const { return path_; }
    // How an image of this host depth is stored, e.g. "16-bit RGBA png".
    std::string describe(int depth) const;
    // Writes the image at its depth where the format allows (PNG 8 or 16 bits, TIFF 8, 16 bits or
    // float, OpenEXR half for 8-bit and float for 16-bit and float images; other formats at the
    // nearest depth they have), with alpha where the format has it. The pixels go to the replacement's
    // temporary file; the caller commits it. Throws HostError naming the file.
    void write(const HostImage& image, FileReplacement& file) const;

private:
    std::string path_;
    std::string format_;
    bool alpha_ = true;
};

// Writes 8-bit BGRA rows (a panel) as an 8-bit RGB image, RGBA when any alpha byte is below 255, into the
// replacement's temporary file (the format by the destination's extension).
void writeBgraImageFile(FileReplacement& file, const unsigned char* bgra, int width, int height,
                        std::size_t rowBytes);

} // namespace kvhost

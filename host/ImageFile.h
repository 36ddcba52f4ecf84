#pragma once
#include "host/FileReplacement.h"
#include "host/HostImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvhost {

// Images that claim more pixels than this in their header are refused before any pixel memory is taken
// (a file of a few bytes may claim a billion pixels). The default is kDefaultLargestMegapixels;
// KVHOST_MAX_MEGAPIXELS in the environment, or setLargestMegapixels (kvhost's --max-megapixels), sets
// another. A side is never longer than 65536 pixels.
inline constexpr double kDefaultLargestMegapixels = 100.0;
// The limit in force: the one set, else the environment's, else the default. Throws HostError when the
// environment holds no positive number.
double largestMegapixels();
// Throws HostError when the value is not a positive number.
void setLargestMegapixels(double megapixels);

// The version of the image library, "2.4.7".
std::string imageLibraryVersion();

// Image files as the host reads and writes them. 8-bit values are taken as they are, float values as
// they are, and 16-bit values are mapped onto the host's 16-bit range, whose white is 32768:
//   host = floor(file x 32768 / 65535 + 0.5) when reading,
//   file = min(65535, floor(host x 65535 / 32768 + 0.5)) when writing.
int hostFrom16BitFile(int fileValue);
int fileFrom16BitHost(int hostValue);

// An image file opened for reading. A file without alpha reads as opaque; a grey file (with or without
// alpha) reads with red = green = blue. Red, green, blue and alpha are found by their channel names (R, G,
// B, A) where the file names them, else by position; other channels are left out, with a warning.
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
    bool hasAlpha() const;
    // What a person should know about how the file is read ("channel \"Z\" is left out ..."), each
    // starting with the path.
    const std::vector<std::string>& warnings() const { return warnings_; }
    // The pixels at a host depth; throws HostError naming the file when they cannot be read whole.
    HostImage read(int depth);

private:
    friend class OutputImageFile;
    friend std::string formatOf(const InputImageFile& file);
    struct Reader;
    std::string path_;
    std::unique_ptr<Reader> reader_;
    int depth_ = 8;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::string> warnings_;
};

// An image file to be written: the format is checked when the object is made, before any work is done;
// the pixels are written whole or not at all.
class OutputImageFile {
public:
    // Throws HostError naming the file when its folder is missing or not writable, or when no format
    // writes its extension. A pipe or device (/dev/stdout) has no extension: it gets `deviceFormat`
    // ("png", "openexr", ...) when one is given.
    explicit OutputImageFile(const std::string& path, const std::string& deviceFormat = std::string());

    const std::string& path() const { return path_; }
    // How an image of this host depth is stored, e.g. "16-bit RGBA png".
    std::string describe(int depth) const;
    // Writes the image at its depth where the format allows (PNG 8 or 16 bits, TIFF 8, 16 bits or
    // float, OpenEXR half for 8-bit and float for 16-bit and float images; other formats at the
    // nearest depth they have). With `like`, the file the image was rendered from, the output keeps its
    // metadata (attributes, the colour space, the data window; compression and format attributes when the
    // formats are the same) and has alpha only when it had alpha or the image is not opaque everywhere;
    // without it, alpha wherever the format has it. The pixels go to the replacement's temporary file (or
    // to the pipe or device it writes straight through); the caller commits it. Throws HostError naming
    // the file.
    void write(const HostImage& image, FileReplacement& file, const InputImageFile* like = nullptr) const;
    // Writes 8-bit BGRA rows (a panel) as an 8-bit RGB image, RGBA when any alpha byte is below 255.
    void writeBgra(FileReplacement& file, const unsigned char* bgra, int width, int height,
                   std::size_t rowBytes) const;

private:
    std::string path_;
    std::string format_;
    bool alpha_ = true;
};

// The format name of an input file ("png"), for an output that has no extension of its own.
std::string formatOf(const InputImageFile& file);

} // namespace kvhost

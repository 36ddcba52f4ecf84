#include "host/ImageFile.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"

#include <OpenImageIO/imageio.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

// Larger images than the host renders are refused before their pixels are allocated.
constexpr std::int64_t kLargestSide = 1 << 16;
constexpr std::int64_t kLargestPixelCount = std::int64_t(1) << 27;

// OpenImageIO's messages may span lines; ours are one line.
std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.empty() ? std::string("unknown error") : text;
}

int depthOf(const OIIO::TypeDesc& type) {
    switch (type.basetype) {
    case OIIO::TypeDesc::UINT8:
    case OIIO::TypeDesc::INT8:
        return 8;
    case OIIO::TypeDesc::UINT16:
    case OIIO::TypeDesc::INT16:
        return 16;
    default: // half, float, double and 32- or 64-bit integers: float holds them best
        return 32;
    }
}

double hostMaximum(int depth) {
    return depth == 32 ? 1.0 : double(HostImage::maxValue(depth));
}

// A float value at an integer depth: not-a-number becomes 0, the rest is clamped and rounded.
double floatToInteger(double value, double maximum) {
    if (std::isnan(value)) {
        return 0.0;
    }
    return std::floor(std::clamp(value, 0.0, 1.0) * maximum + 0.5);
}

// A file sample (8-bit, 16-bit or float, by the file's depth) as a host value at `depth`.
double hostValue(double file, int fileDepth, int depth) {
    if (fileDepth == 8) {
        return depth == 8 ? file : depth == 16 ? std::floor(file * 32768.0 / 255.0 + 0.5) : file / 255.0;
    }
    if (fileDepth == 16) {
        return depth == 16  ? double(hostFrom16BitFile(int(file)))
               : depth == 8 ? std::floor(file * 255.0 / 65535.0 + 0.5)
                            : file / 65535.0;
    }
    return depth == 32 ? file : floatToInteger(file, hostMaximum(depth));
}

template <typename Sample>
void fillImage(HostImage& image, const std::vector<Sample>& samples, const OIIO::ImageSpec& spec,
               int fileDepth, const std::string& path) {
    const int channels = spec.nchannels;
    const int alpha = spec.alpha_channel >= 0 && spec.alpha_channel < channels ? spec.alpha_channel : -1;
    std::vector<int> colour;
    for (int c = 0; c < channels; ++c) {
        if (c != alpha) {
            colour.push_back(c);
        }
    }
    if (colour.empty()) {
        throw HostError(path + ": has no colour channels");
    }
    // Red, green, blue from the first three colour channels; a grey file from its one.
    const int red = colour[0];
    const int green = colour.size() >= 3 ? colour[1] : colour[0];
    const int blue = colour.size() >= 3 ? colour[2] : colour[0];
    const int depth = image.depth();
    const double opaque = hostMaximum(depth);
    for (int y = 0; y < image.height(); ++y) {
        const Sample* row =
            samples.data() + std::size_t(y) * std::size_t(image.width()) * std::size_t(channels);
        for (int x = 0; x < image.width(); ++x) {
            const Sample* pixel = row + std::size_t(x) * std::size_t(channels);
            image.setChannel(x, y, 0, alpha < 0 ? opaque : hostValue(double(pixel[alpha]), fileDepth, depth));
            image.setChannel(x, y, 1, hostValue(double(pixel[red]), fileDepth, depth));
            image.setChannel(x, y, 2, hostValue(double(pixel[green]), fileDepth, depth));
            image.setChannel(x, y, 3, hostValue(double(pixel[blue]), fileDepth, depth));
        }
    }
}

// The sample type to ask a format for, by host depth. The format may still choose another; what it
// chose is read back from its spec after opening.
OIIO::TypeDesc preferredType(const std::string& format, int depth) {
    if (format == "openexr") {
        return depth == 8 ? OIIO::TypeDesc::HALF : OIIO::TypeDesc::FLOAT; // 16-bit steps need float
    }
    if (format == "jpeg" || format == "bmp" || format == "targa" || format == "gif" || format == "ico") {
        return OIIO::TypeDesc::UINT8;
    }
    if (format == "png" || format == "pnm" || format == "dpx") {
        return depth == 8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16;
    }
    return depth == 8 ? OIIO::TypeDesc::UINT8 : depth == 16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::FLOAT;
}

// A host value at `depth` as a sample of the type the file stores.
double fileValue(double host, int depth, OIIO::TypeDesc::BASETYPE stored) {
    if (stored == OIIO::TypeDesc::UINT8) {
        return depth == 8    ? host
               : depth == 16 ? std::min(255.0, std::floor(host * 255.0 / 32768.0 + 0.5))
                             : floatToInteger(host, 255.0);
    }
    if (stored == OIIO::TypeDesc::UINT16) {
        return depth == 16  ? double(fileFrom16BitHost(int(host)))
               : depth == 8 ? host * 257.0
                            : floatToInteger(host, 65535.0);
    }
    return depth == 32 ? host : host / hostMaximum(depth);
}

template <typename Sample>
std::vector<Sample> packImage(const HostImage& image, int channels, OIIO::TypeDesc::BASETYPE stored) {
    std::vector<Sample> samples(std::size_t(image.width()) * std::size_t(image.height()) *
                                std::size_t(channels));
    std::size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            for (const int c : {1, 2, 3, 0}) { // host order is alpha, red, green, blue
                if (c == 0 && channels < 4) {
                    continue;
                }
                samples[i++] = Sample(fileValue(image.channel(x, y, c), image.depth(), stored));
            }
        }
    }
    return samples;
}

std::string typeName(const OIIO::TypeDesc& type) {
    switch (type.basetype) {
    case OIIO::TypeDesc::UINT8:
        return "8-bit";
    case OIIO::TypeDesc::UINT16:
        return "16-bit";
    case OIIO::TypeDesc::HALF:
        return "half float";
    case OIIO::TypeDesc::FLOAT:
        return "float";
    default:
        return type.c_str();
    }
}

} // namespace

int hostFrom16BitFile(int fileValue) {
    return int(std::floor(double(fileValue) * 32768.0 / 65535.0 + 0.5));
}

int fileFrom16BitHost(int hostValue) {
    return std::min(65535, int(std::floor(double(hostValue) * 65535.0 / 32768.0 + 0.5)));
}

// ---- reading ------------------------------------------------------------------------------------

struct InputImageFile::Reader {
    std::unique_ptr<OIIO::ImageInput> input;
    OIIO::ImageSpec spec;
};

InputImageFile::InputImageFile(const std::string& path) : path_(path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        throw HostError(path + ": no such file");
    }
    if (status.type() == fs::file_type::directory) {
        throw HostError(path + ": is a folder, not an image file");
    }
    if (error || status.type() != fs::file_type::regular) {
        throw HostError(path + ": is not a regular file");
    }
    if (fs::file_size(path, error) == 0 && !error) {
        throw HostError(path + ": is empty");
    }
    if (::access(path.c_str(), R_OK) != 0) {
        throw HostError(path + ": cannot be read (no permission)");
    }
    // Values as the file stores them: no premultiplication by alpha on the way in.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto input = OIIO::ImageInput::open(path, &config);
    if (!input) {
        throw HostError(path + ": not an image file that can be read: " + oneLine(OIIO::geterror()));
    }
    reader_ = std::make_unique<Reader>();
    reader_->spec = input->spec();
    reader_->input = std::move(input);
    const OIIO::ImageSpec& spec = reader_->spec;
    if (spec.deep) {
        throw HostError(path + ": is a deep image; only flat images can be rendered");
    }
    if (spec.depth > 1) {
        throw HostError(path + ": is a volume image; only flat images can be rendered");
    }
    if (spec.width < 1 || spec.height < 1 || spec.nchannels < 1) {
        throw HostError(path + ": has no pixels (" + std::to_string(spec.width) + " x " +
                        std::to_string(spec.height) + ", " + std::to_string(spec.nchannels) + " channels)");
    }
    if (spec.width > kLargestSide || spec.height > kLargestSide ||
        std::int64_t(spec.width) * spec.height > kLargestPixelCount) {
        throw HostError(path + ": " + std::to_string(spec.width) + " x " + std::to_string(spec.height) +
                        " pixels is larger than the host takes (at most " + std::to_string(kLargestSide) +
                        " on a side and " + std::to_string(kLargestPixelCount) + " pixels)");
    }
    width_ = spec.width;
    height_ = spec.height;
    depth_ = depthOf(spec.format);
}

InputImageFile::~InputImageFile() = default;

HostImage InputImageFile::read(int depth) {
    const OIIO::ImageSpec& spec = reader_->spec;
    HostImage image(width_, height_, depth);
    const std::size_t count = std::size_t(width_) * std::size_t(height_) * std::size_t(spec.nchannels);
    auto readAll = [&](auto& samples, OIIO::TypeDesc type) {
        samples.resize(count);
        if (!reader_->input->read_image(0, 0, 0, spec.nchannels, type, samples.data())) {
            throw HostError(path_ + ": cannot read the pixels: " + oneLine(reader_->input->geterror()));
        }
        fillImage(image, samples, spec, depth_, path_);
    };
    if (depth_ == 8) {
        std::vector<std::uint8_t> samples;
        readAll(samples, OIIO::TypeDesc::UINT8);
    } else if (depth_ == 16) {
        std::vector<std::uint16_t> samples;
        readAll(samples, OIIO::TypeDesc::UINT16);
    } else {
        std::vector<float> samples;
        readAll(samples, OIIO::TypeDesc::FLOAT);
    }
    return image;
}

// ---- writing ------------------------------------------------------------------------------------

OutputImageFile::OutputImageFile(const std::string& path) : path_(path) {
    FileReplacement::checkFolder(path);
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        OIIO::geterror(); // the library's message names no file; ours does
        throw HostError(path + ": no image format is known for the extension \"" +
                        fs::path(path).extension().string() + "\"");
    }
    format_ = out->format_name();
    alpha_ = out->supports("alpha") != 0;
}

std::string OutputImageFile::describe(int depth) const {
    return typeName(preferredType(format_, depth)) + (alpha_ ? " RGBA " : " RGB ") + format_;
}

void OutputImageFile::write(const HostImage& image, FileReplacement& file) const {
    if (image.empty()) {
        throw HostError(path_ + ": nothing to write (the image is empty)");
    }
    auto out = OIIO::ImageOutput::create(path_);
    if (!out) {
        throw HostError(path_ + ": no image format is known for its extension");
    }
    const int channels = alpha_ ? 4 : 3;
    OIIO::ImageSpec spec(image.width(), image.height(), channels, preferredType(format_, image.depth()));
    spec.attribute("oiio:UnassociatedAlpha", 1); // values as they are: no division by alpha
    if (!out->open(file.temporaryPath(), spec)) {
        throw HostError(path_ + ": cannot be written: " + oneLine(out->geterror()));
    }
    const OIIO::TypeDesc::BASETYPE stored = OIIO::TypeDesc::BASETYPE(out->spec().format.basetype);
    bool written = false;
    if (stored == OIIO::TypeDesc::UINT8) {
        const auto samples = packImage<std::uint8_t>(image, channels, stored);
        written = out->write_image(OIIO::TypeDesc::UINT8, samples.data());
    } else if (stored == OIIO::TypeDesc::UINT16) {
        const auto samples = packImage<std::uint16_t>(image, channels, stored);
        written = out->write_image(OIIO::TypeDesc::UINT16, samples.data());
    } else {
        const auto samples = packImage<float>(image, channels, stored);
        written = out->write_image(OIIO::TypeDesc::FLOAT, samples.data());
    }
    const bool closed = out->close();
    if (!written || !closed) {
        throw HostError(path_ + ": cannot be written: " + oneLine(out->geterror()));
    }
}

void writeBgraImageFile(FileReplacement& file, const unsigned char* bgra, int width, int height,
                        std::size_t rowBytes) {
    const std::string& path = file.destination();
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        OIIO::geterror();
        throw HostError(path + ": no image format is known for the extension \"" +
                        fs::path(path).extension().string() + "\"");
    }
    bool translucent = false;
    for (int y = 0; y < height && !translucent; ++y) {
        for (int x = 0; x < width && !translucent; ++x) {
            translucent = bgra[std::size_t(y) * rowBytes + std::size_t(x) * 4 + 3] != 255;
        }
    }
    const int channels = translucent && out->supports("alpha") ? 4 : 3;
    std::vector<std::uint8_t> samples;
    samples.reserve(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bgra + std::size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + std::size_t(x) * 4;
            samples.insert(samples.end(), {p[2], p[1], p[0]});
            if (channels == 4) {
                samples.push_back(p[3]);
            }
        }
    }
    OIIO::ImageSpec spec(width, height, channels, OIIO::TypeDesc::UINT8);
    spec.attribute("oiio:UnassociatedAlpha", 1);
    if (!out->open(file.temporaryPath(), spec)) {
        throw HostError(path + ": cannot be written: " + oneLine(out->geterror()));
    }
    const bool written = out->write_image(OIIO::TypeDesc::UINT8, samples.data());
    if (!out->close() || !written) {
        throw HostError(path + ": cannot be written: " + oneLine(out->geterror()));
    }
}

} // namespace kvhost

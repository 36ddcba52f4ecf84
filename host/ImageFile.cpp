#include "host/ImageFile.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/Printable.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

// Larger images than the host renders are refused before their pixels are allocated.
constexpr std::int64_t kLargestSide = 1 << 16;
constexpr const char* kMegapixelsVariable = "KVHOST_MAX_MEGAPIXELS";
std::optional<double> chosenMegapixels;

std::string megapixelText(double megapixels) {
    std::ostringstream text;
    text << megapixels;
    return text.str();
}

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

// Which file channels become the host's red, green, blue and alpha.
struct ChannelMap {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = -1;
};

std::optional<int> channelNamed(const OIIO::ImageSpec& spec, const char* name) {
    for (int c = 0; c < spec.nchannels; ++c) {
        if (spec.channel_name(c) == name) {
            return c;
        }
    }
    return std::nullopt;
}

// By name where the file names red, green and blue (or grey "Y"), else the first colour channels in
// order; the channels that are none of them are named in `warnings`.
ChannelMap mapChannels(const OIIO::ImageSpec& spec, const std::string& path,
                       std::vector<std::string>& warnings) {
    ChannelMap map;
    const int channels = spec.nchannels;
    map.alpha = spec.alpha_channel >= 0 && spec.alpha_channel < channels ? spec.alpha_channel : -1;
    if (map.alpha < 0) {
        map.alpha = channelNamed(spec, "A").value_or(-1); // a file that names alpha without marking it
    }
    const auto r = channelNamed(spec, "R");
    const auto g = channelNamed(spec, "G");
    const auto b = channelNamed(spec, "B");
    const auto y = channelNamed(spec, "Y");
    if (r && g && b) {
        map.red = *r;
        map.green = *g;
        map.blue = *b;
    } else if (y && !r && !g && !b) {
        map.red = map.green = map.blue = *y;
    } else {
        std::vector<int> colour;
        for (int c = 0; c < channels; ++c) {
            if (c != map.alpha) {
                colour.push_back(c);
            }
        }
        if (colour.empty()) {
            throw HostError(path + ": has no colour channels");
        }
        // Red, green, blue from the first three colour channels; a grey file from its one.
        map.red = colour[0];
        map.green = colour.size() >= 3 ? colour[1] : colour[0];
        map.blue = colour.size() >= 3 ? colour[2] : colour[0];
    }
    std::string unused;
    std::string renamed;
    for (int c = 0; c < channels; ++c) {
        const std::string name = spec.channel_name(c);
        const bool used = c == map.red || c == map.green || c == map.blue || c == map.alpha;
        const bool plain = name == "R" || name == "G" || name == "B" || name == "A" || name == "Y";
        std::string& list = used ? renamed : unused;
        if (!plain) {
            list += (list.empty() ? "" : ", ") + std::string("\"") + printable(name) + "\"";
        }
    }
    if (!renamed.empty()) {
        warnings.push_back(path + ": channels " + renamed +
                           " are read as red, green, blue or alpha by their " + "order");
    }
    if (!unused.empty()) {
        warnings.push_back(path + ": channels " + unused + " are not red, green, blue or alpha: they are " +
                           "left out of the render and the output");
    }
    return map;
}

template <typename Sample>
void fillImage(HostImage& image, const std::vector<Sample>& samples, const OIIO::ImageSpec& spec,
               int fileDepth, const ChannelMap& map) {
    const int channels = spec.nchannels;
    const int depth = image.depth();
    const double opaque = hostMaximum(depth);
    for (int y = 0; y < image.height(); ++y) {
        const Sample* row =
            samples.data() + std::size_t(y) * std::size_t(image.width()) * std::size_t(channels);
        for (int x = 0; x < image.width(); ++x) {
            const Sample* pixel = row + std::size_t(x) * std::size_t(channels);
            image.setChannel(x, y, 0,
                             map.alpha < 0 ? opaque : hostValue(double(pixel[map.alpha]), fileDepth, depth));
            image.setChannel(x, y, 1, hostValue(double(pixel[map.red]), fileDepth, depth));
            image.setChannel(x, y, 2, hostValue(double(pixel[map.green]), fileDepth, depth));
            image.setChannel(x, y, 3, hostValue(double(pixel[map.blue]), fileDepth, depth));
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

double largestMegapixels() {
    if (chosenMegapixels) {
        return *chosenMegapixels;
    }
    const char* variable = std::getenv(kMegapixelsVariable);
    if (!variable || !*variable) {
        return kDefaultLargestMegapixels;
    }
    char* end = nullptr;
    const double value = std::strtod(variable, &end);
    if (end == variable || *end != '\0' || !(value > 0.0) || !std::isfinite(value)) {
        throw HostError(std::string(kMegapixelsVariable) + "=\"" + printable(variable) +
                        "\" is not a positive number of megapixels");
    }
    return value;
}

std::string imageLibraryVersion() {
    const int version = OIIO::openimageio_version(); // the library loaded, not the headers built against
    return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
}

void setLargestMegapixels(double megapixels) {
    if (!(megapixels > 0.0) || !std::isfinite(megapixels)) {
        throw HostError("the largest image size must be a positive number of megapixels, not " +
                        megapixelText(megapixels));
    }
    chosenMegapixels = megapixels;
}

struct InputImageFile::Reader {
    std::unique_ptr<OIIO::ImageInput> input;
    OIIO::ImageSpec spec;
    ChannelMap channels;
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
    const double megapixels = double(spec.width) * double(spec.height) / 1e6;
    const double largest = largestMegapixels();
    if (spec.width > kLargestSide || spec.height > kLargestSide || megapixels > largest) {
        throw HostError(path + ": " + std::to_string(spec.width) + " x " + std::to_string(spec.height) +
                        " pixels is larger than the host takes (at most " + std::to_string(kLargestSide) +
                        " on a side and " + megapixelText(largest) + " megapixels; --max-megapixels or " +
                        kMegapixelsVariable + " allows more)");
    }
    reader_->channels = mapChannels(spec, path, warnings_);
    width_ = spec.width;
    height_ = spec.height;
    depth_ = depthOf(spec.format);
}

bool InputImageFile::hasAlpha() const {
    return reader_->channels.alpha >= 0;
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
        fillImage(image, samples, spec, depth_, reader_->channels);
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

namespace {

// An output opened into the replacement's temporary file, or into memory that goes to the pipe or device
// it writes straight through.
class OpenedOutput {
public:
    OpenedOutput(OIIO::ImageOutput& out, FileReplacement& file, const OIIO::ImageSpec& spec)
        : out_(out), file_(file) {
        const std::string& path = file.destination();
        if (file.straightThrough()) {
            if (!out.supports("ioproxy")) {
                throw HostError(path + ": " + out.format_name() +
                                " files can be written to files only, not to " + "a pipe or device");
            }
            proxy_ = std::make_unique<OIIO::Filesystem::IOVecOutput>(bytes_);
            out.set_ioproxy(proxy_.get());
        }
        if (!out.open(file.straightThrough() ? path : file.temporaryPath(), spec)) {
            throw HostError(path + ": cannot be written: " + oneLine(out.geterror()));
        }
    }
    OpenedOutput(const OpenedOutput&) = delete;
    OpenedOutput& operator=(const OpenedOutput&) = delete;

    void finish(bool written) {
        const bool closed = out_.close();
        if (!written || !closed) {
            throw HostError(file_.destination() + ": cannot be written: " + oneLine(out_.geterror()));
        }
        if (file_.straightThrough()) {
            file_.write(std::string(bytes_.begin(), bytes_.end()));
        }
    }

private:
    OIIO::ImageOutput& out_;
    FileReplacement& file_;
    std::vector<unsigned char> bytes_;
    std::unique_ptr<OIIO::Filesystem::IOVecOutput> proxy_;
};

bool isFormatAttribute(const std::string& name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const std::string prefix = name.substr(0, colon);
    // Metadata standards every format may carry, and OpenImageIO's colour space and gamma.
    return !(prefix == "Exif" || prefix == "GPS" || prefix == "IPTC" || prefix == "XMP" ||
             name == "oiio:ColorSpace" || name == "oiio:Gamma");
}

// What the output keeps of the file it was rendered from. Attributes that describe how the input was
// stored (its bits per sample, its subimages) describe the new file no more; compression and a format's
// own attributes carry over only within the same format.
void copyMetadata(const OIIO::ImageSpec& from, const std::string& fromFormat, OIIO::ImageSpec& to,
                  const std::string& toFormat) {
    const bool sameFormat = fromFormat == toFormat;
    for (const OIIO::ParamValue& attribute : from.extra_attribs) {
        const std::string name = attribute.name().string();
        const bool internal =
            name.rfind("oiio:", 0) == 0 && name != "oiio:ColorSpace" && name != "oiio:Gamma";
        const bool readOnly = name == "openexr:chunkCount";
        const bool formatOwn = isFormatAttribute(name) || name == "compression" || name == "planarconfig";
        if (internal || readOnly || (formatOwn && !sameFormat)) {
            continue;
        }
        to.extra_attribs.add_or_replace(attribute);
    }
    if (from.width == to.width && from.height == to.height) {
        to.x = from.x;
        to.y = from.y;
        to.full_x = from.full_x;
        to.full_y = from.full_y;
        to.full_width = from.full_width;
        to.full_height = from.full_height;
    }
}

bool opaque(const HostImage& image) {
    const double maximum = hostMaximum(image.depth());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.channel(x, y, 0) != maximum) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

OutputImageFile::OutputImageFile(const std::string& path, const std::string& deviceFormat) : path_(path) {
    const bool straightThrough = FileReplacement::checkDestination(path);
    auto out = OIIO::ImageOutput::create(path);
    if (!out && straightThrough && !deviceFormat.empty() && fs::path(path).extension().empty()) {
        OIIO::geterror();
        out = OIIO::ImageOutput::create(deviceFormat);
    }
    if (!out) {
        OIIO::geterror(); // the library's message names no file; ours does
        throw HostError(path + ": no image format is known for the extension \"" +
                        fs::path(path).extension().string() + "\"");
    }
    format_ = out->format_name();
    alpha_ = out->supports("alpha") != 0;
}

std::string formatOf(const InputImageFile& file) {
    return file.reader_->input->format_name();
}

std::string OutputImageFile::describe(int depth) const {
    return typeName(preferredType(format_, depth)) + (alpha_ ? " RGBA " : " RGB ") + format_;
}

void OutputImageFile::write(const HostImage& image, FileReplacement& file, const InputImageFile* like) const {
    if (image.empty()) {
        throw HostError(path_ + ": nothing to write (the image is empty)");
    }
    auto out = OIIO::ImageOutput::create(format_);
    if (!out) {
        throw HostError(path_ + ": no image format is known for its extension");
    }
    const bool alpha = alpha_ && (!like || like->hasAlpha() || !opaque(image));
    const int channels = alpha ? 4 : 3;
    OIIO::ImageSpec spec(image.width(), image.height(), channels, preferredType(format_, image.depth()));
    if (like) {
        copyMetadata(like->reader_->spec, like->reader_->input->format_name(), spec, format_);
    }
    spec.attribute("oiio:UnassociatedAlpha", 1); // values as they are: no division by alpha
    OpenedOutput opened(*out, file, spec);
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
    opened.finish(written);
}

void OutputImageFile::writeBgra(FileReplacement& file, const unsigned char* bgra, int width, int height,
                                std::size_t rowBytes) const {
    auto out = OIIO::ImageOutput::create(format_);
    if (!out) {
        throw HostError(path_ + ": no image format is known for its extension");
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
    OpenedOutput opened(*out, file, spec);
    opened.finish(out->write_image(OIIO::TypeDesc::UINT8, samples.data()));
}

} // namespace kvhost

#include "host/InputFile.h"

#include "host/HostError.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace kvhost {

namespace fs = std::filesystem;

std::string byteCountText(std::uint64_t bytes) {
    if (bytes >= (std::uint64_t(1) << 20) && bytes % (std::uint64_t(1) << 20) == 0) {
        return std::to_string(bytes >> 20) + " MiB";
    }
    if (bytes >= 1024 && bytes % 1024 == 0) {
        return std::to_string(bytes >> 10) + " KiB";
    }
    return std::to_string(bytes) + " bytes";
}

std::string readInputFile(const std::string& path, std::uint64_t largestBytes, const std::string& kind) {
    if (path.empty()) {
        throw HostError("no file name given for " + kind);
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error); // follows symbolic links
    if (status.type() == fs::file_type::not_found) {
        throw HostError(path + ": no such file");
    }
    if (status.type() == fs::file_type::directory) {
        throw HostError(path + ": is a folder, not " + kind);
    }
    if (error || status.type() != fs::file_type::regular) {
        throw HostError(path + ": is not a regular file (" + kind + " is read from a file)");
    }
    if (::access(path.c_str(), R_OK) != 0) {
        throw HostError(path + ": cannot be read (no permission)");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (!error && size > largestBytes) {
        throw HostError(path + ": is larger than " + byteCountText(largestBytes) + " (" +
                        std::to_string(size) + " bytes), too large for " + kind);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError(path + ": cannot be read");
    }
    // Read with the limit too: the file may grow while it is read.
    std::string text;
    char chunk[65536];
    while (text.size() <= largestBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
        text.append(chunk, std::size_t(in.gcount()));
    }
    if (in.bad()) {
        throw HostError(path + ": cannot be read");
    }
    if (text.size() > largestBytes) {
        throw HostError(path + ": is larger than " + byteCountText(largestBytes) + ", too large for " + kind);
    }
    return text;
}

std::string withLineFeeds(std::string text) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        text[kept++] = text[i];
    }
    text.resize(kept);
    return text;
}

} // namespace kvhost

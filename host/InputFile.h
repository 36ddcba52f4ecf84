#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kvhost {

// Text files the host is given (projects, curve sets, events): a regular file, or a symbolic link to one,
// read whole up to a size limit. Pipes, devices and folders are refused before anything is read, so that
// a path such as /dev/zero cannot make the host read without end. Throws HostError naming the file:
// "PATH: no such file", "is a folder, not KIND", "is not a regular file", "is larger than ...".
std::string readInputFile(const std::string& path, std::uint64_t largestBytes, const std::string& kind);

// The limit of project and curve set files: 64 MiB, far beyond any real one.
inline constexpr std::uint64_t kLargestTextFile = std::uint64_t(64) << 20;

// "64 MiB", "512 KiB", "100 bytes".
std::string byteCountText(std::uint64_t bytes);

// The text with every CR LF pair read as LF, as files written on Windows arrive. A lone CR stays.
std::string withLineFeeds(std::string text);

} // namespace kvhost

#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// Reads a named section of an ELF64 little-endian shared library without loading it. Every offset and
// size in the file is checked against the file's length, so a damaged or hostile file raises HostError
// instead of reading past the buffer.
class ElfSection {
public:
    // The whole file's bytes; throws HostError ("<path>: ...") when the file cannot be read or is not a
    // 64-bit little-endian ELF shared library.
    static std::vector<std::uint8_t> readFile(const std::string& path);

    // The bytes of the section `name`, or nothing when the file has no such section.
    static std::optional<std::vector<std::uint8_t>> find(const std::vector<std::uint8_t>& file,
                                                         const std::string& name, const std::string& path);
};

} // namespace kvhost

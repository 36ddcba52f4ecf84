#include "host/ElfSection.h"

#include "host/HostError.h"

#include <elf.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kvhost {

namespace {

// Plug-in files are a few megabytes; anything far larger is not one of ours and is not read whole.
constexpr std::uintmax_t kMaxFileSize = std::uintmax_t(1) << 30;

// offset + count * size lies inside a file of `fileSize` bytes, computed without overflow.
bool rangeInside(std::uint64_t offset, std::uint64_t count, std::uint64_t size, std::uint64_t fileSize) {
    if (offset > fileSize) {
        return false;
    }
    if (size != 0 && count > (fileSize - offset) / size) {
        return false;
    }
    return true;
}

template <typename T>
T readRecord(const std::vector<std::uint8_t>& file, std::uint64_t offset) {
    T record;
    std::memcpy(&record, file.data() + offset, sizeof(T));
    return record;
}

} // namespace

std::vector<std::uint8_t> ElfSection::readFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        throw HostError(path + ": no such file");
    }
    if (fs::is_directory(status)) {
        throw HostError(path + ": is a directory, not a plug-in file");
    }
    if (!fs::is_regular_file(status)) {
        throw HostError(path + ": not a regular file");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw HostError(path + ": cannot read: " + error.message());
    }
    if (size > kMaxFileSize) {
        throw HostError(path + ": too large for a plug-in file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError(path + ": cannot open for reading");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) {
        throw HostError(path + ": cannot read");
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ElfSection::find(const std::vector<std::uint8_t>& file,
                                                          const std::string& name, const std::string& path) {
    const std::uint64_t fileSize = file.size();
    if (fileSize < sizeof(Elf64_Ehdr) || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) {
        throw HostError(path + ": not a shared library (no ELF header)");
    }
    if (file[EI_CLASS] != ELFCLASS64 || file[EI_DATA] != ELFDATA2LSB) {
        throw HostError(path + ": not a 64-bit little-endian ELF file");
    }
    const auto header = readRecord<Elf64_Ehdr>(file, 0);
    if (header.e_type != ET_DYN) {
        throw HostError(path + ": ELF file is not a shared library");
    }
    if (header.e_shoff == 0) {
        return std::nullopt; // no section table at all
    }
    if (header.e_shentsize != sizeof(Elf64_Shdr) ||
        !rangeInside(header.e_shoff, 1, sizeof(Elf64_Shdr), fileSize)) {
        throw HostError(path + ": damaged ELF section table");
    }
    // Counts too large for the header live in the first section's record.
    const auto first = readRecord<Elf64_Shdr>(file, header.e_shoff);
    const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    const std::uint64_t namesIndex = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
    if (!rangeInside(header.e_shoff, count, sizeof(Elf64_Shdr), fileSize) || namesIndex >= count) {
        throw HostError(path + ": damaged ELF section table");
    }
    const auto names = readRecord<Elf64_Shdr>(file, header.e_shoff + namesIndex * sizeof(Elf64_Shdr));
    if (names.sh_type == SHT_NOBITS || !rangeInside(names.sh_offset, 1, names.sh_size, fileSize)) {
        throw HostError(path + ": damaged ELF section names");
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto section = readRecord<Elf64_Shdr>(file, header.e_shoff + i * sizeof(Elf64_Shdr));
        if (section.sh_name >= names.sh_size) {
            continue;
        }
        const char* sectionName =
            reinterpret_cast<const char*>(file.data() + names.sh_offset + section.sh_name);
        const std::uint64_t room = names.sh_size - section.sh_name;
        if (name.size() + 1 > room || std::memcmp(sectionName, name.c_str(), name.size() + 1) != 0) {
            continue;
        }
        if (section.sh_type == SHT_NOBITS || !rangeInside(section.sh_offset, 1, section.sh_size, fileSize)) {
            throw HostError(path + ": section " + name + " lies outside the file");
        }
        const auto begin = file.begin() + std::ptrdiff_t(section.sh_offset);
        return std::vector<std::uint8_t>(begin, begin + std::ptrdiff_t(section.sh_size));
    }
    return std::nullopt;
}

} // namespace kvhost

#include "host/PluginFile.h"
#include "host/ElfSection.h"
#include "host/HostError.h"

#include <elf.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace kvhost {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string loadError(const std::string& path) {
    try {
        PluginFile plugin(path);
    } catch (const HostError& error) {
        return error.what();
    }
    return "loaded";
}

// A copy of the probe plug-in with some bytes changed, in the test's temporary folder.
class DamagedFile {
public:
    explicit DamagedFile(const std::string& name) : path_(std::filesystem::temp_directory_path() / name) {
        bytes_ = ElfSection::readFile(KV_PROBE_PLUGIN);
    }
    ~DamagedFile() { std::filesystem::remove(path_); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    Elf64_Ehdr header() const {
        Elf64_Ehdr h;
        std::memcpy(&h, bytes_.data(), sizeof h);
        return h;
    }
    void setHeader(const Elf64_Ehdr& h) { std::memcpy(bytes_.data(), &h, sizeof h); }
    std::string write() {
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
        return path_.string();
    }

private:
    std::filesystem::path path_;
    std::vector<std::uint8_t> bytes_;
};

TEST(PluginFile, LoadsTheProbeAndReadsItsRecord) {
    PluginFile plugin(KV_PROBE_PLUGIN);
    EXPECT_EQ(plugin.record().name, "KV Probe");
    EXPECT_EQ(plugin.record().matchName, "TQKV Probe");
    EXPECT_EQ(plugin.record().versionText(), "2.2.6");
    EXPECT_NE(plugin.entryPoint(), nullptr);
    EXPECT_NE(plugin.symbol("ProbeConfigure"), nullptr);
    EXPECT_EQ(plugin.symbol("NoSuchSymbol"), nullptr);
}

TEST(PluginFile, ReadsTheRecordWithoutLoadingTheCode) {
    // A file whose code could not be loaded at all still shows its record.
    DamagedFile file("kv_record_only.so");
    const PluginRecord expected = PluginFile::readRecord(KV_PROBE_PLUGIN);
    Elf64_Ehdr h = file.header();
    h.e_phnum = 0; // no program headers: the loader refuses it
    file.setHeader(h);
    const std::string path = file.write();
    EXPECT_EQ(PluginFile::readRecord(path).name, expected.name);
    EXPECT_THAT(loadError(path), StartsWith(path + ": cannot load: "));
}

TEST(PluginFile, NamesTheFileAndTheFaultForEachBadInput) {
    EXPECT_EQ(loadError("/no/such/plugin.so"), "/no/such/plugin.so: no such file");
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(loadError(folder), folder + ": is a directory, not a plug-in file");
    EXPECT_EQ(loadError(KV_NO_PIPL_PLUGIN),
              std::string(KV_NO_PIPL_PLUGIN) + ": no .pipl section (no registration record)");
    EXPECT_EQ(loadError(KV_SHORT_PIPL_PLUGIN),
              std::string(KV_SHORT_PIPL_PLUGIN) + ": registration record is 300 bytes, expected 310");
    EXPECT_EQ(loadError(KV_NO_ENTRY_PLUGIN),
              std::string(KV_NO_ENTRY_PLUGIN) + ": no entry point EntryPointFunc");
}

TEST(PluginFile, RejectsAFileThatIsNotAnElfLibrary) {
    DamagedFile file("kv_text.so");
    file.bytes().assign({'h', 'e', 'l', 'l', 'o'});
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": not a shared library (no ELF header)");
}

TEST(PluginFile, RejectsAnElfFileThatIsNotASharedLibrary) {
    DamagedFile file("kv_exec.so");
    Elf64_Ehdr h = file.header();
    h.e_type = ET_EXEC;
    file.setHeader(h);
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": ELF file is not a shared library");
}

TEST(PluginFile, RejectsA32BitElfFile) {
    DamagedFile file("kv_elf32.so");
    file.bytes()[EI_CLASS] = ELFCLASS32;
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": not a 64-bit little-endian ELF file");
}

TEST(PluginFile, SurvivesASectionTableOutsideTheFile) {
    DamagedFile file("kv_shoff.so");
    Elf64_Ehdr h = file.header();
    h.e_shoff = file.bytes().size() - 10;
    file.setHeader(h);
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": damaged ELF section table");

    h.e_shoff = ~std::uint64_t(0) - 8; // offset + size would wrap around
    file.setHeader(h);
    file.write();
    EXPECT_EQ(loadError(path), path + ": damaged ELF section table");
}

TEST(PluginFile, SurvivesASectionCountPastTheFile) {
    DamagedFile file("kv_shnum.so");
    Elf64_Ehdr h = file.header();
    h.e_shnum = 0xFFFF;
    file.setHeader(h);
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": damaged ELF section table");
}

TEST(PluginFile, SurvivesANameTableIndexOutOfRange) {
    DamagedFile file("kv_shstrndx.so");
    Elf64_Ehdr h = file.header();
    h.e_shstrndx = h.e_shnum;
    file.setHeader(h);
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": damaged ELF section table");
}

TEST(PluginFile, SurvivesARecordSectionPointingPastTheFile) {
    DamagedFile file("kv_pipl_offset.so");
    const Elf64_Ehdr h = file.header();
    // Find the .pipl section header and move its data beyond the end of the file.
    Elf64_Shdr names;
    std::memcpy(&names, file.bytes().data() + h.e_shoff + h.e_shstrndx * sizeof(Elf64_Shdr), sizeof names);
    bool moved = false;
    for (int i = 0; i < h.e_shnum; ++i) {
        const std::size_t at = h.e_shoff + std::size_t(i) * sizeof(Elf64_Shdr);
        Elf64_Shdr s;
        std::memcpy(&s, file.bytes().data() + at, sizeof s);
        if (std::strcmp(reinterpret_cast<const char*>(file.bytes().data() + names.sh_offset + s.sh_name),
                        ".pipl") == 0) {
            s.sh_offset = file.bytes().size() - 100;
            std::memcpy(file.bytes().data() + at, &s, sizeof s);
            moved = true;
        }
    }
    ASSERT_TRUE(moved);
    const std::string path = file.write();
    EXPECT_EQ(loadError(path), path + ": section .pipl lies outside the file");
}

TEST(PluginFile, SurvivesATruncatedFile) {
    DamagedFile file("kv_truncated.so");
    for (const std::size_t size :
         {std::size_t(0), std::size_t(40), std::size_t(64), file.bytes().size() / 2}) {
        std::vector<std::uint8_t> whole = ElfSection::readFile(KV_PROBE_PLUGIN);
        whole.resize(size);
        file.bytes() = whole;
        const std::string path = file.write();
        EXPECT_THAT(loadError(path), StartsWith(path + ": ")) << size;
        EXPECT_THAT(loadError(path), ::testing::Not(HasSubstr("loaded"))) << size;
    }
}

} // namespace
} // namespace kvhost

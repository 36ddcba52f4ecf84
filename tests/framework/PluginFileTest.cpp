// The two plug-in files as a host sees them: the registration record in their .pipl section, and what
// EntryPointFunc reports at about and global setup.
#include "hostapi/AE_Effect.h"
#include "tests/support/ProjectVersion.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The bytes of a named section of a 64-bit ELF file; empty when it has none.
std::vector<std::uint8_t> elfSection(const std::vector<std::uint8_t>& file, const std::string& name) {
    if (file.size() < sizeof(Elf64_Ehdr)) {
        return {};
    }
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    auto sectionHeader = [&](std::size_t i) {
        Elf64_Shdr section;
        std::memcpy(&section, file.data() + header.e_shoff + i * header.e_shentsize, sizeof section);
        return section;
    };
    const Elf64_Shdr names = sectionHeader(header.e_shstrndx);
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr section = sectionHeader(i);
        const char* sectionName =
            reinterpret_cast<const char*>(file.data() + names.sh_offset + section.sh_name);
        if (name == sectionName) {
            return std::vector<std::uint8_t>(file.begin() + long(section.sh_offset),
                                             file.begin() + long(section.sh_offset + section.sh_size));
        }
    }
    return {};
}

// The record written out property by property from its table.
class ExpectedRecord {
public:
    ExpectedRecord& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ExpectedRecord& u16(std::uint16_t v) { return u8(std::uint8_t(v)).u8(std::uint8_t(v >> 8)); }
    ExpectedRecord& u32(std::uint32_t v) { return u16(std::uint16_t(v)).u16(std::uint16_t(v >> 16)); }
    ExpectedRecord& code(const char* c) {
        return u8(std::uint8_t(c[3])).u8(std::uint8_t(c[2])).u8(std::uint8_t(c[1])).u8(std::uint8_t(c[0]));
    }
    ExpectedRecord& property(const char* key, std::uint32_t length) {
        return code("8BIM").code(key).u32(0).u32(length);
    }
    ExpectedRecord& text(const std::string& s) {
        for (char c : s) {
            u8(std::uint8_t(c));
        }
        return *this;
    }
    ExpectedRecord& zeros(int n) {
        for (int i = 0; i < n; ++i) {
            u8(0);
        }
        return *this;
    }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> expectedRecord(const std::string& name, const std::string& matchName,
                                         A_u_long outFlags, A_u_long outFlags2) {
    ExpectedRecord r;
    r.u16(1).u32(0).u32(12);
    r.property("kind", 4).code("eFKT");
    r.property("name", 24).u8(20).text(name).zeros(3); // 1 + 20 + NUL = 22, padded to 24
    r.property("catg", 12).u8(7).text("Korvane").zeros(4);
    r.property("wx86", 16).text("EntryPointFunc").zeros(2);
    r.property("ePVR", 4).u32(2);
    r.property("eSVR", 4).u16(12).u16(2);
    r.property("eVER", 4).u32(korvane::kEffectVersion);
    r.property("eINF", 2).u16(3).zeros(2);
    r.property("eGLO", 4).u32(outFlags);
    r.property("eGL2", 4).u32(outFlags2);
    r.property("eMNA", 24).u8(20).text(matchName).zeros(3);
    r.property("aeFL", 4).u32(0);
    return r.bytes;
}

A_long formatText(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsprintf(buffer, format, args);
    va_end(args);
    return n;
}

// A loaded plug-in file.
class PluginFile {
public:
    explicit PluginFile(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ != nullptr) {
            entry_ = reinterpret_cast<PF_EntryPointFunc>(dlsym(handle_, "EntryPointFunc"));
        }
    }
    ~PluginFile() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }
    PluginFile(const PluginFile&) = delete;
    PluginFile& operator=(const PluginFile&) = delete;
    PF_EntryPointFunc entry() const { return entry_; }

private:
    void* handle_;
    PF_EntryPointFunc entry_ = nullptr;
};

struct PluginCase {
    const char* path;
    const char* name;
    const char* matchName;
    const char* aboutName;
    A_u_long outFlags;
    A_u_long outFlags2;
};

class PluginFiles : public ::testing::TestWithParam<PluginCase> {};

TEST_P(PluginFiles, RegistrationRecordBytes) {
    const auto& c = GetParam();
    const std::vector<std::uint8_t> record = elfSection(readFile(c.path), ".pipl");
    const std::vector<std::uint8_t> expected = expectedRecord(c.name, c.matchName, c.outFlags, c.outFlags2);
    ASSERT_EQ(expected.size(), 310u);
    EXPECT_EQ(record, expected);
}

TEST_P(PluginFiles, GlobalSetupReportsTheRecordsVersionAndFlags) {
    PluginFile plugin(GetParam().path);
    ASSERT_NE(plugin.entry(), nullptr) << dlerror();
    PF_InData in{};
    PF_OutData out{};
    in.version = PF_SpecVersion{12, 5};
    ASSERT_EQ(plugin.entry()(PF_Cmd_GLOBAL_SETUP, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, korvane::kEffectVersion);
    EXPECT_EQ(A_u_long(out.out_flags), GetParam().outFlags);
    EXPECT_EQ(A_u_long(out.out_flags2), GetParam().outFlags2);

    PF_OutData older{};
    older.out_flags2 = 0x3;
    in.version = PF_SpecVersion{12, 4};
    ASSERT_EQ(plugin.entry()(PF_Cmd_GLOBAL_SETUP, &in, &older, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(A_u_long(older.out_flags), GetParam().outFlags);
    EXPECT_EQ(older.out_flags2, 0x3 | 0x8000);
}

TEST_P(PluginFiles, AboutShowsNameVersionAndDescription) {
    PluginFile plugin(GetParam().path);
    ASSERT_NE(plugin.entry(), nullptr);
    PF_UtilCallbacks utils{};
    utils.ansi.sprintf = &formatText;
    PF_InData in{};
    in.utils = &utils;
    PF_OutData out{};
    ASSERT_EQ(plugin.entry()(PF_Cmd_ABOUT, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    const std::string expectedStart = std::string("\xBB") + GetParam().aboutName + "\xAB  v" +
                                      kvtest::versionText() + "\r" + GetParam().aboutName + ".\n\n";
    EXPECT_EQ(std::string(out.return_msg).substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(std::string(out.return_msg).back(), '\n');
}

TEST_P(PluginFiles, UnknownCommandsAndMissingRecordsNeverCrash) {
    PluginFile plugin(GetParam().path);
    ASSERT_NE(plugin.entry(), nullptr);
    PF_InData in{};
    PF_OutData out{};
    EXPECT_EQ(plugin.entry()(PF_Cmd_DO_DIALOG, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(plugin.entry()(PF_Cmd_ABOUT, nullptr, nullptr, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

INSTANTIATE_TEST_SUITE_P(
    BothEffects, PluginFiles,
    ::testing::Values(PluginCase{KV_MORROWBY_PATH, "KV Curves - Absolute", "TQKV Absolute Curves",
                                 "Absolute Curves", kvtest::kAbsoluteFlags, kvtest::kAbsoluteFlags2},
                      PluginCase{KV_TARNWICK_PATH, "KV Curves - Relative", "TQKV Relative Curves",
                                 "Relative Curves", kvtest::kRelativeFlags, kvtest::kRelativeFlags2}),
    [](const auto& info) { return std::string(info.index == 0 ? "morrowby" : "tarnwick"); });

} // namespace

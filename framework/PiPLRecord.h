#pragma once
#include "hostapi/PF_EntryPoint.h"
#include "hostapi/PF_Flags.h"
#include "hostapi/PF_Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvane {

// What the registration record says about one plug-in file.
struct PiPLDefinition {
    std::string_view name;      // shown in the host's effect menu
    std::string_view matchName; // identifies the effect in saved projects
    std::string_view category;
    A_u_long version; // packEffectVersion
    A_short specMajor;
    A_short specMinor;
    PF_OutFlags outFlags;
    PF_OutFlags2 outFlags2;
};

namespace pipl {

inline constexpr std::size_t kHeaderSize = 2 + 4 + 4;
inline constexpr std::size_t kPropertyHeaderSize = 4 + 4 + 4 + 4;
inline constexpr A_short kInfoFlags = 3;
inline constexpr A_long kPropertyListVersion = 2;

constexpr std::size_t padded(std::size_t size) {
    return (size + 3) / 4 * 4;
}

// Length byte, characters, NUL.
constexpr std::size_t pascalSize(std::string_view text) {
    return text.size() + 2;
}

constexpr std::size_t recordSize(const PiPLDefinition& d) {
    const std::size_t word = kPropertyHeaderSize + 4;
    return kHeaderSize + word /* kind */ + kPropertyHeaderSize + padded(pascalSize(d.name)) +
           kPropertyHeaderSize + padded(pascalSize(d.category)) + kPropertyHeaderSize +
           padded(std::string_view(kPF_EntryPointName).size() + 1) + word /* ePVR */ + word /* eSVR */ +
           word /* eVER */ + word /* eINF */ + word /* eGLO */ + word /* eGL2 */ + kPropertyHeaderSize +
           padded(pascalSize(d.matchName)) + word /* aeFL */;
}

template <std::size_t Size>
class Writer {
public:
    constexpr void u8(std::uint8_t value) { bytes_[at_++] = value; }
    constexpr void u16(std::uint16_t value) {
        u8(std::uint8_t(value & 0xFF));
        u8(std::uint8_t(value >> 8));
    }
    constexpr void u32(std::uint32_t value) {
        u16(std::uint16_t(value & 0xFFFF));
        u16(std::uint16_t(value >> 16));
    }
    // Four-character codes lie in the record as a little-endian 32-bit constant does in memory.
    constexpr void code(A_u_long fourChars) { u32(fourChars); }
    constexpr void propertyHeader(A_u_long key, std::uint32_t length) {
        code(kPiPLVendor);
        code(key);
        u32(0);
        u32(length);
    }
    constexpr void zeroTo(std::size_t end) {
        while (at_ < end) {
            u8(0);
        }
    }
    constexpr void wordProperty(A_u_long key, std::uint32_t value) {
        propertyHeader(key, 4);
        u32(value);
    }
    constexpr void pascalProperty(A_u_long key, std::string_view text) {
        if (text.size() > 255) {
            throw "a Pascal string holds at most 255 characters";
        }
        const std::size_t length = padded(pascalSize(text));
        propertyHeader(key, std::uint32_t(length));
        const std::size_t end = at_ + length;
        u8(std::uint8_t(text.size()));
        for (char c : text) {
            u8(std::uint8_t(c));
        }
        zeroTo(end);
    }
    constexpr void cStringProperty(A_u_long key, std::string_view text) {
        const std::size_t length = padded(text.size() + 1);
        propertyHeader(key, std::uint32_t(length));
        const std::size_t end = at_ + length;
        for (char c : text) {
            u8(std::uint8_t(c));
        }
        zeroTo(end);
    }
    constexpr std::array<std::uint8_t, Size> finish() const {
        if (at_ != Size) {
            throw "record size mismatch";
        }
        return bytes_;
    }

private:
    std::array<std::uint8_t, Size> bytes_{};
    std::size_t at_ = 0;
};

} // namespace pipl

// Places the record in the file's ".pipl" section, which the host reads without loading the code. Clang's
// address sanitizer would pad the record with red zones there (GCC leaves globals in named sections alone).
#if defined(__clang__)
#define KV_PIPL_SECTION [[gnu::section(".pipl"), gnu::used, clang::no_sanitize("address")]]
#else
#define KV_PIPL_SECTION [[gnu::section(".pipl"), gnu::used]]
#endif

// The registration record ("PiPL") of a plug-in file, built at compile time. Size must be
// pipl::recordSize(definition) (310 bytes for names of 20 characters and the category "Korvane").
template <std::size_t Size>
constexpr std::array<std::uint8_t, Size> buildPiPLRecord(const PiPLDefinition& d) {
    pipl::Writer<Size> w;
    w.u16(std::uint16_t(kPiPLVersion));
    w.u32(0);
    w.u32(std::uint32_t(kPiPLPropertyCount));
    w.propertyHeader(kPiPLKeyKind, 4);
    w.code(kPiPLKindEffect);
    w.pascalProperty(kPiPLKeyName, d.name);
    w.pascalProperty(kPiPLKeyCategory, d.category);
    w.cStringProperty(kPiPLKeyEntryPoint, kPF_EntryPointName);
    w.wordProperty(kPiPLKeyPiPLVersion, std::uint32_t(pipl::kPropertyListVersion));
    w.propertyHeader(kPiPLKeySpecVersion, 4);
    w.u16(std::uint16_t(d.specMajor));
    w.u16(std::uint16_t(d.specMinor));
    w.wordProperty(kPiPLKeyEffectVersion, d.version);
    w.propertyHeader(kPiPLKeyInfoFlags, 2);
    w.u16(std::uint16_t(pipl::kInfoFlags));
    w.u16(0);
    w.wordProperty(kPiPLKeyOutFlags, std::uint32_t(d.outFlags));
    w.wordProperty(kPiPLKeyOutFlags2, std::uint32_t(d.outFlags2));
    w.pascalProperty(kPiPLKeyMatchName, d.matchName);
    w.wordProperty(kPiPLKeyReserved, 0);
    return w.finish();
}

} // namespace korvane

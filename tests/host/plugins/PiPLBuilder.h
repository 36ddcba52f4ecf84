#pragma once
// Builds a registration record at compile time, so that a test plug-in can place it in its ".pipl"
// section and a test can build good and damaged records byte by byte.
#include "hostapi/PF_EntryPoint.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The test plug-ins' records go where the host reads them without loading the code, unpadded: Clang's
// address sanitizer would add red zones to a global in a named section (GCC leaves those alone).
#if defined(__clang__)
#define KV_TEST_PIPL_SECTION [[gnu::section(".pipl"), gnu::used, clang::no_sanitize("address")]]
#else
#define KV_TEST_PIPL_SECTION [[gnu::section(".pipl"), gnu::used]]
#endif

namespace kvtest {

struct PiPLFields {
    const char* name = "KV Probe";
    const char* category = "Tests";
    const char* entryPoint = "EntryPointFunc";
    const char* matchName = "TQKV Probe";
    std::uint32_t effectVersion = 0x00113200; // 2.2.6, release
    std::uint32_t outFlags = 0x06008110;
    std::uint32_t outFlags2 = 0x00009480;
    std::uint16_t specMajor = 13;
    std::uint16_t specMinor = 1;
};

constexpr std::size_t textLength(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') {
        ++n;
    }
    return n;
}

class PiPLWriter {
public:
    constexpr void u8(std::uint8_t v) { bytes[size++] = v; }
    constexpr void u16(std::uint16_t v) {
        u8(std::uint8_t(v & 0xFF));
        u8(std::uint8_t(v >> 8));
    }
    constexpr void u32(std::uint32_t v) {
        u16(std::uint16_t(v & 0xFFFF));
        u16(std::uint16_t(v >> 16));
    }
    // Property data is padded to a multiple of 4 counted from its own start.
    constexpr void padFrom(std::size_t start) {
        while ((size - start) % 4 != 0) {
            u8(0);
        }
    }
    constexpr void header(std::uint32_t key, std::uint32_t length) {
        u32(kPiPLVendor);
        u32(key);
        u32(0);
        u32(length);
    }
    constexpr void word(std::uint32_t key, std::uint32_t value) {
        header(key, 4);
        u32(value);
    }
    // Pascal string: length byte, characters, NUL, in a property of `length` bytes.
    constexpr void pascal(std::uint32_t key, const char* text, std::uint32_t length) {
        header(key, length);
        const std::size_t start = size;
        const std::size_t n = textLength(text);
        u8(std::uint8_t(n));
        for (std::size_t i = 0; i < n; ++i) {
            u8(std::uint8_t(text[i]));
        }
        u8(0);
        while (size < start + length) {
            u8(0);
        }
        padFrom(start);
    }
    constexpr void cstring(std::uint32_t key, const char* text, std::uint32_t length) {
        header(key, length);
        const std::size_t start = size;
        for (std::size_t i = 0; text[i] != '\0'; ++i) {
            u8(std::uint8_t(text[i]));
        }
        while (size < start + length) {
            u8(0);
        }
        padFrom(start);
    }

    std::array<std::uint8_t, 512> bytes{};
    std::size_t size = 0;
};

// The whole record: 310 bytes for the fields' usual lengths.
constexpr PiPLWriter writePiPL(const PiPLFields& f) {
    PiPLWriter w;
    w.u16(std::uint16_t(kPiPLVersion));
    w.u32(0);
    w.u32(std::uint32_t(kPiPLPropertyCount));
    w.word(kPiPLKeyKind, kPiPLKindEffect);
    w.pascal(kPiPLKeyName, f.name, 24);
    w.pascal(kPiPLKeyCategory, f.category, 12);
    w.cstring(kPiPLKeyEntryPoint, f.entryPoint, 16);
    w.word(kPiPLKeyPiPLVersion, 2);
    w.word(kPiPLKeySpecVersion, std::uint32_t(f.specMajor) | std::uint32_t(f.specMinor) << 16);
    w.word(kPiPLKeyEffectVersion, f.effectVersion);
    w.header(kPiPLKeyInfoFlags, 2);
    w.u16(3);
    w.u16(0);
    w.word(kPiPLKeyOutFlags, f.outFlags);
    w.word(kPiPLKeyOutFlags2, f.outFlags2);
    w.pascal(kPiPLKeyMatchName, f.matchName, 24);
    w.word(kPiPLKeyReserved, 0);
    return w;
}

template <std::size_t N>
constexpr std::array<std::uint8_t, N> recordBytes(const PiPLWriter& w) {
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = w.bytes[i];
    }
    return out;
}

} // namespace kvtest

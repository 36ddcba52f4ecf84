#include "absolute/ChannelMapRows.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define KV_MAP_ROWS_X86 1
#else
#define KV_MAP_ROWS_X86 0
#endif

namespace korvane::absolute {

namespace {

constexpr std::size_t kLength8 = 256;
constexpr std::uint16_t kWhite16 = 32768;
constexpr std::size_t kLength16 = std::size_t(kWhite16) + 1;

void plainRow8(const std::uint8_t* maps, const std::uint8_t* source, std::uint8_t* target,
               std::int32_t pixels) {
    for (std::size_t i = 0; i < std::size_t(pixels) * 4; i += 4) {
        // Each value read before any is stored: source and target may be the same row.
        const std::uint8_t v0 = source[i];
        const std::uint8_t v1 = source[i + 1];
        const std::uint8_t v2 = source[i + 2];
        const std::uint8_t v3 = source[i + 3];
        target[i] = maps[v0];
        target[i + 1] = maps[kLength8 + v1];
        target[i + 2] = maps[2 * kLength8 + v2];
        target[i + 3] = maps[3 * kLength8 + v3];
    }
}

void plainRow16(const std::uint16_t* maps, const std::uint16_t* source, std::uint16_t* target,
                std::int32_t pixels) {
    const auto entry = [](std::uint16_t v) { return std::size_t(std::min(v, kWhite16)); };
    for (std::size_t i = 0; i < std::size_t(pixels) * 4; i += 4) {
        const std::size_t v0 = entry(source[i]);
        const std::size_t v1 = entry(source[i + 1]);
        const std::size_t v2 = entry(source[i + 2]);
        const std::size_t v3 = entry(source[i + 3]);
        target[i] = maps[v0];
        target[i + 1] = maps[kLength16 + v1];
        target[i + 2] = maps[2 * kLength16 + v2];
        target[i + 3] = maps[3 * kLength16 + v3];
    }
}

#if KV_MAP_ROWS_X86

// GCC 12 takes the intrinsics' own "undefined" register start values for uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

bool hasBytePermute() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

bool hasGather() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl");
}

// Byte i of a 64-byte block belongs to channel i % 4.
constexpr __mmask64 kChannelBytes = 0x1111111111111111ULL;

// 64 values of 16 pixels through their channels' maps. The permute reads entry (index & 127) of a pair of
// 64-byte quarters: the first pair (entries 0..127) or the second (128..255) as the index's top bit says.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i
permuteBlock(const __m512i (&quarters)[4][4], __m512i values) {
    const __mmask64 high = _mm512_movepi8_mask(values);
    __m512i result = _mm512_setzero_si512();
    for (int c = 0; c < 4; ++c) {
        const __m512i low = _mm512_permutex2var_epi8(quarters[c][0], values, quarters[c][1]);
        const __m512i upper = _mm512_permutex2var_epi8(quarters[c][2], values, quarters[c][3]);
        result = _mm512_mask_blend_epi8(kChannelBytes << c, result, _mm512_mask_blend_epi8(high, low, upper));
    }
    return result;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void bytePermuteRow8(const std::uint8_t* maps,
                                                                            const std::uint8_t* source,
                                                                            std::uint8_t* target,
                                                                            std::int32_t pixels) {
    __m512i quarters[4][4];
    for (std::size_t c = 0; c < 4; ++c) {
        for (std::size_t q = 0; q < 4; ++q) {
            quarters[c][q] = _mm512_loadu_si512(maps + c * kLength8 + q * 64);
        }
    }
    const std::size_t bytes = std::size_t(pixels) * 4;
    std::size_t i = 0;
    for (; i + 64 <= bytes; i += 64) {
        const __m512i values = _mm512_loadu_si512(source + i);
        _mm512_storeu_si512(target + i, permuteBlock(quarters, values));
    }
    if (i < bytes) {
        // The tail of under 16 pixels: masked loads and stores touch the row's own bytes only.
        const __mmask64 tail = (__mmask64(1) << (bytes - i)) - 1;
        const __m512i values = _mm512_maskz_loadu_epi8(tail, source + i);
        _mm512_mask_storeu_epi8(target + i, tail, permuteBlock(quarters, values));
    }
}

// 16 values of 4 pixels: each clamped to white, moved to its channel's map and read as the low half of the
// 32-bit word at its entry (the maps' storage has one entry beyond the last map for the top half).
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline __m512i gatherBlock(const std::uint16_t* maps,
                                                                                __m256i values) {
    const __m512i offsets = _mm512_set_epi32(3 * kLength16, 2 * kLength16, kLength16, 0, 3 * kLength16,
                                             2 * kLength16, kLength16, 0, 3 * kLength16, 2 * kLength16,
                                             kLength16, 0, 3 * kLength16, 2 * kLength16, kLength16, 0);
    const __m512i entries = _mm512_add_epi32(
        _mm512_min_epu32(_mm512_cvtepu16_epi32(values), _mm512_set1_epi32(kWhite16)), offsets);
    return _mm512_i32gather_epi32(entries, maps, 2);
}

__attribute__((target("avx512f,avx512bw,avx512vl"))) void gatherRow16(const std::uint16_t* maps,
                                                                      const std::uint16_t* source,
                                                                      std::uint16_t* target,
                                                                      std::int32_t pixels) {
    const std::size_t count = std::size_t(pixels) * 4;
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i values = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + i),
                            _mm512_cvtepi32_epi16(gatherBlock(maps, values)));
    }
    if (i < count) {
        const auto tail = __mmask16((1U << (count - i)) - 1);
        const __m256i values = _mm256_maskz_loadu_epi16(tail, source + i);
        _mm512_mask_cvtepi32_storeu_epi16(target + i, tail, gatherBlock(maps, values));
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif

} // namespace

std::vector<MapRowKernel> mapRowKernels(std::size_t bytes) {
    std::vector<MapRowKernel> kernels{MapRowKernel::Plain};
#if KV_MAP_ROWS_X86
    if (bytes == 1 && hasBytePermute()) {
        kernels.push_back(MapRowKernel::BytePermute);
    }
    if (bytes == 2 && hasGather()) {
        kernels.push_back(MapRowKernel::Gather);
    }
#else
    (void)bytes;
#endif
    return kernels;
}

const char* mapRowKernelName(MapRowKernel kernel) {
    switch (kernel) {
    case MapRowKernel::Plain:
        return "plain";
    case MapRowKernel::BytePermute:
        return "AVX-512 VBMI byte permute";
    case MapRowKernel::Gather:
        return "AVX-512 gather";
    }
    return "unknown";
}

void mapRow(MapRowKernel kernel, const std::uint8_t* maps, const std::uint8_t* source, std::uint8_t* target,
            std::int32_t pixels) {
#if KV_MAP_ROWS_X86
    if (kernel == MapRowKernel::BytePermute) {
        bytePermuteRow8(maps, source, target, pixels);
        return;
    }
#endif
    (void)kernel;
    plainRow8(maps, source, target, pixels);
}

void mapRow(MapRowKernel kernel, const std::uint16_t* maps, const std::uint16_t* source,
            std::uint16_t* target, std::int32_t pixels) {
#if KV_MAP_ROWS_X86
    if (kernel == MapRowKernel::Gather) {
        gatherRow16(maps, source, target, pixels);
        return;
    }
#endif
    (void)kernel;
    plainRow16(maps, source, target, pixels);
}

} // namespace korvane::absolute

#pragma once
// A row of pixels through the four per-channel maps of the integer depths: value v of channel c is stored as
// maps[c * length + v], the maps lying in the pixel's channel order, length = white + 1 (256 at 8 bits, 32769
// at 16 bits; a 16-bit value above white reads white's entry). Beside the plain loop there are vector
// kernels, each chosen only where the processor has its instructions.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane::absolute {

enum class MapRowKernel {
    // One value at a time; every processor.
    Plain,
    // 8 bits: 64 values per step, each map held in four 64-byte registers and read by the two-table byte
    // permute (AVX-512 VBMI).
    BytePermute,
    // 16 bits: 16 values per step through one gather (AVX-512).
    Gather,
};

// The entries a set of four maps of `length` entries takes: the 16-bit gather reads a 32-bit word at each
// entry, so one entry follows the last map (never stored).
constexpr std::size_t channelMapStorage(std::size_t length) {
    return 4 * length + 1;
}

// The kernels for values of `bytes` bytes (1 or 2) that were compiled and that this processor runs, plain
// first; the last is the fastest.
std::vector<MapRowKernel> mapRowKernels(std::size_t bytes);
const char* mapRowKernelName(MapRowKernel kernel);

// `pixels` pixels of four channels from source to target (which may be the same row) through the maps; the
// kernel must be one mapRowKernels names for the depth.
void mapRow(MapRowKernel kernel, const std::uint8_t* maps, const std::uint8_t* source, std::uint8_t* target,
            std::int32_t pixels);
void mapRow(MapRowKernel kernel, const std::uint16_t* maps, const std::uint16_t* source,
            std::uint16_t* target, std::int32_t pixels);

} // namespace korvane::absolute

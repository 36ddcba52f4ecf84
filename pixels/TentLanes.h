#pragma once
#include "pixels/IntegerTent.h"

#include <cstddef>
#include <cstdint>

namespace korvane::tent {

// Integer-depth tent lines run in lockstep with SIMD: position i of all the lines is one block of `values`
// channel values side by side (8-bit or 16-bit), so that every channel of every line takes one SIMD lane.
// The vertical pass reads blocks straight from the rows of a strip of columns; the horizontal pass reads
// blocks from a ring that it fills with the columns of a few rows side by side. The running sums are those
// of TentLine.h in 32-bit integers; IntegerTent says how they are stored.

// Channel values per block: 128 pixels of 4 channels at most.
inline constexpr int kMaxLaneValues = 512;

enum class SampleDepth : std::uint8_t { Eight, Sixteen };

// Where the block of position i lies.
struct LaneBlocks {
    const std::byte* base = nullptr;
    std::ptrdiff_t stride = 0;
    // Folded: positions outside 0 .. length - 1 fold back by mirrorFold. Ring (ringMask != 0): the block of
    // position i is at base + (i & ringMask) x stride, put there (already folded) by the caller.
    std::int64_t length = 0;
    std::int64_t ringMask = 0;
};

// The running sums of every value of a block at the next output position: window (B), tent (T) and the
// tent's change (D) of TentLine.h.
struct LaneSums {
    alignas(64) std::int32_t window[kMaxLaneValues];
    alignas(64) std::int32_t tent[kMaxLaneValues];
    alignas(64) std::int32_t change[kMaxLaneValues];
};

struct LaneRun {
    SampleDepth depth = SampleDepth::Eight;
    int values = 0; // a multiple of 16, at most kMaxLaneValues
    LaneBlocks blocks;
    const IntegerTent* tent = nullptr;
};

// The sums for output position 0 (reads positions -r .. r + 1).
void primeLanes(const LaneRun& run, LaneSums& sums);

// Outputs first .. end - 1 into out + (x - first) x outStride, the block layout of the input, leaving the
// sums at position end. Reads positions first - r - 1 .. end + r + 1. The IntegerTent must not be
// Unsupported.
void runLanes(const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
              std::ptrdiff_t outStride);

// The instruction sets the lanes are compiled for, best first; the best one this processor has runs.
// Tests run each one this processor has.
enum class LaneTarget : std::uint8_t { Avx2, Sse4, Portable };
bool laneTargetAvailable(LaneTarget target);
LaneTarget bestLaneTarget();
void primeLanesOn(LaneTarget target, const LaneRun& run, LaneSums& sums);
void runLanesOn(LaneTarget target, const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end,
                std::byte* out, std::ptrdiff_t outStride);

} // namespace korvane::tent

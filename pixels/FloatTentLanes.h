#pragma once
#include "pixels/TentKernel.h"
#include "pixels/TentLanes.h"

#include <cstddef>
#include <cstdint>

namespace korvane::tent {

// Float tent lines side by side in SIMD lanes of doubles. Every float of a block is a line of its own, and
// its lane runs the per-line path's running sums (TentLine.h) with the very same double operations in the
// same order: the sums kept relative to the line's first sample, primed per residue of the mirror fold, and
// each output ((T tw + B ww) + (low + high) ew) + offset, stored as a float. So every value comes out bit for
// bit as the per-line path stores it, whatever the radius or the values.
//
// A lane whose sums end non-finite (the line holds an infinity or a NaN, or its sums overflowed) is flagged:
// the per-line path runs such a line again, tracking the non-finite samples, and so must the caller.

inline constexpr int kMaxFloatLines = 8;
// Lines x values at most.
inline constexpr int kMaxFloatLaneValues = 256;

// `lines` lines of `length` positions; position i of line j is a block of `values` floats at
// in[j] + i x inStride (bytes), and its outputs go to out[j] + i x outStride. Inputs and outputs must not
// overlap.
struct FloatLaneRun {
    int lines = 1;
    int values = 0;
    std::int64_t length = 0;
    const std::byte* in[kMaxFloatLines] = {};
    std::byte* out[kMaxFloatLines] = {};
    std::ptrdiff_t inStride = 0;
    std::ptrdiff_t outStride = 0;
    TentKernel kernel;
};

// The running sums of every lane, and the priming's side sums; large, so callers keep one per item.
struct FloatLaneSums {
    alignas(64) double offset[kMaxFloatLaneValues];
    alignas(64) double window[kMaxFloatLaneValues];
    alignas(64) double tent[kMaxFloatLaneValues];
    alignas(64) double change[kMaxFloatLaneValues];
    alignas(64) double belowSum[kMaxFloatLaneValues];
    alignas(64) double belowTent[kMaxFloatLaneValues];
};

// Runs the lines whole. nonFinite[j x values + v] says whether lane v of line j needs the tracked per-line
// run. The best instruction set this processor has runs; runFloatLanesOn takes one (tests run every one
// this processor has; Portable is the plainest one compiled, always there).
void runFloatLanes(const FloatLaneRun& run, FloatLaneSums& sums, bool* nonFinite);
void runFloatLanesOn(LaneTarget target, const FloatLaneRun& run, FloatLaneSums& sums, bool* nonFinite);

} // namespace korvane::tent

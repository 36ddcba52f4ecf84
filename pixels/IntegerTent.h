#pragma once
#include "pixels/TentKernel.h"

#include <cstdint>

namespace korvane {

// The stores of the per-line path at integer depths: value + bias, truncated. The running sums in doubles
// may land a few ulps below a whole number that is the exact result, and truncation would then lose 1 (a
// uniform 100 came out as 99); the tolerance takes a value that close below a whole number as that number.
inline constexpr double kWholeTolerance = 1e-6;
inline constexpr double kTruncatingBias = kWholeTolerance;
inline constexpr double kRoundingBias = 0.5 + kWholeTolerance;

// How the whole-number running sums of an integer-depth tent line become stored values: T (tent sum),
// B (window sum) and E (the two samples just outside the window), as in TentLine.h.
//
// Exact: the weights times 2^(k+1) are whole numbers when the radius's fraction f has k bits after the
// binary point, so the sum S = aT + bB + cE is a whole number and the stored value is
// floor((S + bias) / D) with D the weights' sum times 2^(k+1): one exact division by a constant, done as a
// multiplication and a shift. Used while D is small enough (at most kMaxExactDivisor) that the per-line
// path's tolerance can never round a value that the exact division keeps below a whole number: then both
// store the same value.
//
// Weighted: trunc(T tw + B ww + E ew + bias) in doubles, the very operations of the per-line path, for
// fractions with more bits.
//
// Unsupported: the sums could overflow 32 bits; only the per-line path blurs such lines.
struct IntegerTent {
    enum class Form : std::uint8_t { Unsupported, ExactWhole, ExactFraction, Weighted };

    // Largest divisor of the exact form: with the per-line path's error far below 1e-6, 1/(2D) > 1e-6
    // leaves no room between the two for a different store.
    static constexpr std::int64_t kMaxExactDivisor = std::int64_t(1) << 18;

    Form form = Form::Unsupported;
    std::int64_t whole = 0;  // r
    std::int32_t maxValue = 0; // stores are at most this

    // Exact form: S = tentFactor T + windowFactor B + edgeFactor E (ExactWhole: 2T - B).
    std::int32_t tentShift = 1; // tentFactor = 2^tentShift
    std::int32_t windowFactor = -1;
    std::int32_t edgeFactor = 0;
    std::uint32_t bias = 0;       // 0 truncating, floor(D / 2) rounding half up
    std::int64_t divisor = 1;     // D
    std::uint32_t multiplier = 0; // floor(s / D) = (s x multiplier) >> shift for s < 2^31
    std::int32_t shift = 31;

    // Weighted form.
    double tentWeight = 0.0;
    double windowWeight = 0.0;
    double edgeWeight = 0.0;
    double storeBias = 0.0;

    // `sampleLimit`: the largest value a sample may hold (255, or 65535 for 16-bit buffers, whose white is
    // 32768 but whose samples a host may fill higher); `maxValue`: the largest stored value.
    static IntegerTent forKernel(const TentKernel& kernel, std::int32_t sampleLimit, std::int32_t maxValue,
                                 bool roundHalfUp);

    // The exact form's division of s (< 2^31) by D, as the blur does it.
    std::uint32_t divide(std::uint32_t s) const {
        return std::uint32_t((std::uint64_t(s) * multiplier) >> shift);
    }
};

} // namespace korvane

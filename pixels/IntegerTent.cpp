#include "pixels/IntegerTent.h"

#include <cmath>

namespace korvane {
namespace {

constexpr std::int64_t kInt32Limit = std::int64_t(1) << 31;
// More fraction bits than this cannot give a divisor within kMaxExactDivisor.
constexpr int kMaxFractionBits = 17;

// Bits after the binary point of f in [0, 1), or -1 when it has more than kMaxFractionBits.
int fractionBits(double f) {
    for (int k = 0; k <= kMaxFractionBits; ++k) {
        const double scaled = std::ldexp(f, k);
        if (scaled == std::floor(scaled)) {
            return k;
        }
    }
    return -1;
}

int ceilLog2(std::int64_t value) {
    int bits = 0;
    while ((std::int64_t(1) << bits) < value) {
        ++bits;
    }
    return bits;
}

} // namespace

IntegerTent IntegerTent::forKernel(const TentKernel& kernel, std::int32_t sampleLimit, std::int32_t maxValue,
                                   bool roundHalfUp) {
    IntegerTent tent;
    tent.whole = kernel.whole;
    tent.maxValue = maxValue;
    const std::int64_t r = kernel.whole;
    const std::int64_t limit = std::int64_t(sampleLimit);
    // T <= (r + 1)^2 x limit is the largest running sum; B and the change of T are smaller.
    if (r + 1 > 65536 || (r + 1) * (r + 1) * limit >= kInt32Limit) {
        return tent;
    }

    tent.form = Form::Weighted;
    tent.tentWeight = kernel.scale;
    tent.windowWeight = kernel.blendWeight * kernel.scale;
    tent.edgeWeight = kernel.edgeWeight * kernel.scale;
    tent.storeBias = roundHalfUp ? kRoundingBias : kTruncatingBias;

    const int k = fractionBits(kernel.fraction);
    if (k < 0) {
        return tent;
    }
    // Weights times 2^(k+1): R + 0.5 - |j| becomes 2^(k+1) (r + 1 - |j|) + (2m - 2^k) with m = f 2^k, and
    // f / 2 becomes m. So S = 2^(k+1) T + (2m - 2^k) B + m E.
    const std::int64_t m = std::int64_t(std::ldexp(kernel.fraction, k));
    const std::int64_t a = std::int64_t(1) << (k + 1);
    const std::int64_t b = 2 * m - (std::int64_t(1) << k);
    const std::int64_t divisor = a * (r + 1) * (r + 1) + b * (2 * r + 1) + 2 * m;
    // S + bias <= D x limit + D / 2 must stay below 2^31 for the division.
    if (divisor < 1 || divisor > kMaxExactDivisor || divisor * (limit + 1) > kInt32Limit) {
        return tent;
    }
    tent.form = m == 0 ? Form::ExactWhole : Form::ExactFraction;
    tent.tentShift = k + 1;
    tent.windowFactor = std::int32_t(b);
    tent.edgeFactor = std::int32_t(m);
    tent.divisor = divisor;
    // floor(S + bias) / D) with S + bias < 2^31: multiplier ceil(2^shift / D) < 2^32 with shift = 31 +
    // ceil(log2 D) errs by less than one in the quotient's fraction for every such dividend.
    tent.bias = roundHalfUp ? std::uint32_t(divisor / 2) : 0u;
    tent.shift = 31 + ceilLog2(divisor);
    const std::uint64_t power = std::uint64_t(1) << tent.shift;
    tent.multiplier = std::uint32_t((power + std::uint64_t(divisor) - 1) / std::uint64_t(divisor));
    return tent;
}

} // namespace korvane

// Highway compiles this file once per instruction set (foreach_target.h includes it again for each) and the
// part after HWY_ONCE picks the best set the processor has, so the plug-ins run on any x86-64 processor.
// Highway's own fallbacks differ between compilers (GCC 12.2 gets the single-lane one), so the fallback
// here is plain C++ instead, in that last part.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/TentLanes.cpp"
#include "curves/LaneTargets.h"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/highway.h>

#include "pixels/MirrorFold.h"
#include "pixels/TentLanes.h"

#include <algorithm>
#include <cstring>

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
HWY_BEFORE_NAMESPACE();
namespace korvane::tent {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D32 = hn::ScalableTag<std::int32_t>;
using V32 = hn::Vec<D32>;
using DU32 = hn::RebindToUnsigned<D32>;
using DU64 = hn::RepartitionToWide<DU32>;
using VU32 = hn::Vec<DU32>;

struct FoldedBlocks {
    const std::byte* base;
    std::ptrdiff_t stride;
    std::int64_t length;

    const std::byte* at(std::int64_t i) const {
        if (i < 0 || i >= length) {
            i = mirrorFold(i, length);
        }
        return base + i * stride;
    }
};

struct RingBlocks {
    const std::byte* base;
    std::ptrdiff_t stride;
    std::int64_t mask;

    const std::byte* at(std::int64_t i) const { return base + (i & mask) * stride; }
};

template <class Sample>
HWY_INLINE V32 loadSamples(const std::byte* block, std::size_t g) {
    const D32 d;
    const hn::Rebind<Sample, D32> ds;
    return hn::PromoteTo(d, hn::LoadU(ds, reinterpret_cast<const Sample*>(block) + g));
}

// Values are within 0 .. maxValue when they get here.
template <class Sample>
HWY_INLINE void storeValues(V32 values, std::byte* block, std::size_t g) {
    const hn::Rebind<Sample, D32> ds;
    hn::StoreU(hn::DemoteTo(ds, values), ds, reinterpret_cast<Sample*>(block) + g);
}

// floor(s / D) for 0 <= s < 2^31: (s x multiplier) >> shift in 64 bits, even and odd lanes apart.
HWY_INLINE V32 divide(V32 s, VU32 multiplier, int shift) {
    const D32 d;
    const DU32 du;
    const DU64 dw;
    const VU32 su = hn::BitCast(du, s);
    const auto even = hn::ShiftRightSame(hn::MulEven(su, multiplier), shift);
    const VU32 oddInput = hn::BitCast(du, hn::ShiftRight<32>(hn::BitCast(dw, su)));
    const auto odd = hn::ShiftLeft<32>(hn::ShiftRightSame(hn::MulEven(oddInput, multiplier), shift));
    return hn::BitCast(d, hn::Or(even, odd));
}

// (2T - B + bias) / D: a whole radius, no edge samples.
struct ExactWhole {
    static constexpr bool kEdges = false;
    V32 bias;
    VU32 multiplier;
    int shift;
    V32 maxValue;

    explicit ExactWhole(const IntegerTent& t)
        : bias(hn::Set(D32(), std::int32_t(t.bias))), multiplier(hn::Set(DU32(), t.multiplier)),
          shift(t.shift), maxValue(hn::Set(D32(), t.maxValue)) {}

    HWY_INLINE V32 operator()(V32 tent, V32 window, V32 /*edges*/) const {
        const V32 s = hn::Add(hn::Sub(hn::ShiftLeft<1>(tent), window), bias);
        return hn::Min(divide(s, multiplier, shift), maxValue);
    }
};

// (2^(k+1) T + bB + cE + bias) / D in wrapping 32-bit arithmetic: the true sum is below 2^31.
struct ExactFraction {
    static constexpr bool kEdges = true;
    int tentShift;
    V32 windowFactor;
    V32 edgeFactor;
    V32 bias;
    VU32 multiplier;
    int shift;
    V32 maxValue;

    explicit ExactFraction(const IntegerTent& t)
        : tentShift(t.tentShift), windowFactor(hn::Set(D32(), t.windowFactor)),
          edgeFactor(hn::Set(D32(), t.edgeFactor)), bias(hn::Set(D32(), std::int32_t(t.bias))),
          multiplier(hn::Set(DU32(), t.multiplier)), shift(t.shift), maxValue(hn::Set(D32(), t.maxValue)) {}

    HWY_INLINE V32 operator()(V32 tent, V32 window, V32 edges) const {
        const V32 scaled = hn::Add(hn::ShiftLeftSame(tent, tentShift), hn::Mul(window, windowFactor));
        const V32 s = hn::Add(hn::Add(scaled, hn::Mul(edges, edgeFactor)), bias);
        return hn::Min(divide(s, multiplier, shift), maxValue);
    }
};

// ((T tw + B ww) + E ew) + bias in doubles, truncated: the per-line path's operations in its order.
struct Weighted {
    static constexpr bool kEdges = true;
    using DD = hn::Repartition<double, D32>;
    using DH = hn::Half<D32>;
    hn::Vec<DD> tentWeight;
    hn::Vec<DD> windowWeight;
    hn::Vec<DD> edgeWeight;
    hn::Vec<DD> storeBias;
    V32 maxValue;

    explicit Weighted(const IntegerTent& t)
        : tentWeight(hn::Set(DD(), t.tentWeight)), windowWeight(hn::Set(DD(), t.windowWeight)),
          edgeWeight(hn::Set(DD(), t.edgeWeight)), storeBias(hn::Set(DD(), t.storeBias)),
          maxValue(hn::Set(D32(), t.maxValue)) {}

    HWY_INLINE hn::Vec<DH> weigh(hn::Vec<DH> tent, hn::Vec<DH> window, hn::Vec<DH> edges) const {
        const DD dd;
        const DH dh;
        const auto tentPart = hn::Mul(hn::PromoteTo(dd, tent), tentWeight);
        const auto windowPart = hn::Mul(hn::PromoteTo(dd, window), windowWeight);
        const auto edgePart = hn::Mul(hn::PromoteTo(dd, edges), edgeWeight);
        const auto value = hn::Add(hn::Add(hn::Add(tentPart, windowPart), edgePart), storeBias);
        return hn::DemoteTo(dh, value);
    }

    HWY_INLINE V32 operator()(V32 tent, V32 window, V32 edges) const {
        const D32 d;
        const DH dh;
        const auto lower =
            weigh(hn::LowerHalf(dh, tent), hn::LowerHalf(dh, window), hn::LowerHalf(dh, edges));
        const auto upper =
            weigh(hn::UpperHalf(dh, tent), hn::UpperHalf(dh, window), hn::UpperHalf(dh, edges));
        return hn::Min(hn::Combine(d, upper, lower), maxValue);
    }
};

template <class Sample, class Blocks>
void primeBlocks(const Blocks& blocks, int values, std::int64_t r, LaneSums& sums) {
    const D32 d;
    const std::size_t n = hn::Lanes(d);
    for (std::size_t g = 0; g < std::size_t(values); g += n) {
        hn::Store(hn::Zero(d), d, sums.window + g);
        hn::Store(hn::Zero(d), d, sums.tent + g);
        hn::Store(hn::Zero(d), d, sums.change + g);
    }
    // Window -r .. r with tent weights r + 1 - |i|; the change is (1 .. r + 1) - (-r .. 0).
    for (std::int64_t i = -r; i <= r + 1; ++i) {
        const std::byte* block = blocks.at(i);
        const V32 weight = hn::Set(d, std::int32_t(r + 1 - (i < 0 ? -i : i)));
        for (std::size_t g = 0; g < std::size_t(values); g += n) {
            const V32 s = loadSamples<Sample>(block, g);
            if (i <= r) {
                hn::Store(hn::Add(hn::Load(d, sums.window + g), s), d, sums.window + g);
                hn::Store(hn::Add(hn::Load(d, sums.tent + g), hn::Mul(s, weight)), d, sums.tent + g);
            }
            const V32 change = hn::Load(d, sums.change + g);
            hn::Store(i >= 1 ? hn::Add(change, s) : hn::Sub(change, s), d, sums.change + g);
        }
    }
}

// Output x from the sums, then the sums moved on to x + 1: sample x + r + 1 enters the window and x - r
// leaves it, as in TentLine.h.
template <class Sample, class Blocks, class Combine>
void runSteps(const Blocks& blocks, const Combine& combine, int values, std::int64_t r, LaneSums& sums,
              std::int64_t first, std::int64_t end, std::byte* out, std::ptrdiff_t outStride) {
    const D32 d;
    const std::size_t n = hn::Lanes(d);
    for (std::int64_t x = first; x < end; ++x) {
        const std::byte* low = Combine::kEdges ? blocks.at(x - r - 1) : nullptr;
        const std::byte* leaving = blocks.at(x - r);
        const std::byte* next = blocks.at(x + 1);
        const std::byte* high = blocks.at(x + r + 1);
        const std::byte* entering = blocks.at(x + r + 2);
        std::byte* output = out + (x - first) * outStride;
        for (std::size_t g = 0; g < std::size_t(values); g += n) {
            V32 window = hn::Load(d, sums.window + g);
            V32 tent = hn::Load(d, sums.tent + g);
            V32 change = hn::Load(d, sums.change + g);
            const V32 h = loadSamples<Sample>(high, g);
            const V32 l = loadSamples<Sample>(leaving, g);
            V32 edges = h;
            if constexpr (Combine::kEdges) {
                edges = hn::Add(h, loadSamples<Sample>(low, g));
            }
            storeValues<Sample>(combine(tent, window, edges), output, g);
            const V32 e = loadSamples<Sample>(entering, g);
            const V32 nx = loadSamples<Sample>(next, g);
            window = hn::Add(window, hn::Sub(h, l));
            tent = hn::Add(tent, change);
            change = hn::Add(change, hn::Sub(hn::Add(e, l), hn::Add(nx, nx)));
            hn::Store(window, d, sums.window + g);
            hn::Store(tent, d, sums.tent + g);
            hn::Store(change, d, sums.change + g);
        }
    }
}

template <class Sample, class Blocks>
void runBlocks(const Blocks& blocks, const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end,
               std::byte* out, std::ptrdiff_t outStride) {
    const IntegerTent& t = *run.tent;
    switch (t.form) {
    case IntegerTent::Form::ExactWhole:
        runSteps<Sample>(blocks, ExactWhole(t), run.values, t.whole, sums, first, end, out, outStride);
        break;
    case IntegerTent::Form::ExactFraction:
        runSteps<Sample>(blocks, ExactFraction(t), run.values, t.whole, sums, first, end, out, outStride);
        break;
    case IntegerTent::Form::Weighted:
        runSteps<Sample>(blocks, Weighted(t), run.values, t.whole, sums, first, end, out, outStride);
        break;
    case IntegerTent::Form::Unsupported:
        break;
    }
}

template <class Sample>
void runSample(const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
               std::ptrdiff_t outStride) {
    const LaneBlocks& b = run.blocks;
    if (b.ringMask != 0) {
        runBlocks<Sample>(RingBlocks{b.base, b.stride, b.ringMask}, run, sums, first, end, out, outStride);
    } else {
        runBlocks<Sample>(FoldedBlocks{b.base, b.stride, b.length}, run, sums, first, end, out, outStride);
    }
}

template <class Sample>
void primeSample(const LaneRun& run, LaneSums& sums) {
    const LaneBlocks& b = run.blocks;
    if (b.ringMask != 0) {
        primeBlocks<Sample>(RingBlocks{b.base, b.stride, b.ringMask}, run.values, run.tent->whole, sums);
    } else {
        primeBlocks<Sample>(FoldedBlocks{b.base, b.stride, b.length}, run.values, run.tent->whole, sums);
    }
}

} // namespace

void primeLanes(const LaneRun& run, LaneSums& sums) {
    if (run.depth == SampleDepth::Eight) {
        primeSample<std::uint8_t>(run, sums);
    } else {
        primeSample<std::uint16_t>(run, sums);
    }
}

void runLanes(const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
              std::ptrdiff_t outStride) {
    if (run.depth == SampleDepth::Eight) {
        runSample<std::uint8_t>(run, sums, first, end, out, outStride);
    } else {
        runSample<std::uint16_t>(run, sums, first, end, out, outStride);
    }
}

} // namespace HWY_NAMESPACE
} // namespace korvane::tent
HWY_AFTER_NAMESPACE();
#endif // SIMD targets

#if HWY_ONCE

#include <hwy/targets.h>

namespace korvane::tent {
namespace portable {
namespace {

// The same sums and stores, one value at a time; 32-bit sums wrap as in the lanes (unsigned here).
template <class Sample>
const Sample* blockAt(const LaneBlocks& b, std::int64_t i) {
    if (b.ringMask != 0) {
        i &= b.ringMask;
    } else if (i < 0 || i >= b.length) {
        i = mirrorFold(i, b.length);
    }
    return reinterpret_cast<const Sample*>(b.base + i * b.stride);
}

template <class Sample>
void prime(const LaneRun& run, LaneSums& sums) {
    const std::int64_t r = run.tent->whole;
    std::uint32_t window[kMaxLaneValues] = {};
    std::uint32_t tent[kMaxLaneValues] = {};
    std::uint32_t change[kMaxLaneValues] = {};
    for (std::int64_t i = -r; i <= r + 1; ++i) {
        const Sample* block = blockAt<Sample>(run.blocks, i);
        const std::uint32_t weight = std::uint32_t(r + 1 - (i < 0 ? -i : i));
        for (int v = 0; v < run.values; ++v) {
            const std::uint32_t s = block[v];
            if (i <= r) {
                window[v] += s;
                tent[v] += s * weight;
            }
            change[v] += i >= 1 ? s : 0u - s;
        }
    }
    for (int v = 0; v < run.values; ++v) {
        sums.window[v] = std::int32_t(window[v]);
        sums.tent[v] = std::int32_t(tent[v]);
        sums.change[v] = std::int32_t(change[v]);
    }
}

std::uint32_t store(const IntegerTent& t, std::int32_t tent, std::int32_t window, std::int32_t edges) {
    std::uint32_t q = 0;
    if (t.form == IntegerTent::Form::Weighted) {
        const double value =
            double(tent) * t.tentWeight + double(window) * t.windowWeight + double(edges) * t.edgeWeight;
        q = std::uint32_t(std::int32_t(value + t.storeBias));
    } else {
        const std::uint32_t s = (std::uint32_t(tent) << t.tentShift) +
                                std::uint32_t(window) * std::uint32_t(t.windowFactor) +
                                std::uint32_t(edges) * std::uint32_t(t.edgeFactor) + t.bias;
        q = t.divide(s);
    }
    return std::min(q, std::uint32_t(t.maxValue));
}

template <class Sample>
void run(const LaneRun& lanes, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
         std::ptrdiff_t outStride) {
    const IntegerTent& t = *lanes.tent;
    const std::int64_t r = t.whole;
    for (std::int64_t x = first; x < end; ++x) {
        const Sample* low = blockAt<Sample>(lanes.blocks, x - r - 1);
        const Sample* leaving = blockAt<Sample>(lanes.blocks, x - r);
        const Sample* next = blockAt<Sample>(lanes.blocks, x + 1);
        const Sample* high = blockAt<Sample>(lanes.blocks, x + r + 1);
        const Sample* entering = blockAt<Sample>(lanes.blocks, x + r + 2);
        Sample* output = reinterpret_cast<Sample*>(out + (x - first) * outStride);
        for (int v = 0; v < lanes.values; ++v) {
            const std::uint32_t edges = std::uint32_t(low[v]) + high[v];
            output[v] = Sample(store(t, sums.tent[v], sums.window[v], std::int32_t(edges)));
            sums.window[v] = std::int32_t(std::uint32_t(sums.window[v]) + high[v] - leaving[v]);
            sums.tent[v] = std::int32_t(std::uint32_t(sums.tent[v]) + std::uint32_t(sums.change[v]));
            sums.change[v] =
                std::int32_t(std::uint32_t(sums.change[v]) + entering[v] + leaving[v] - 2u * next[v]);
        }
    }
}

} // namespace

void primeLanes(const LaneRun& run, LaneSums& sums) {
    if (run.depth == SampleDepth::Eight) {
        prime<std::uint8_t>(run, sums);
    } else {
        prime<std::uint16_t>(run, sums);
    }
}

void runLanes(const LaneRun& lanes, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
              std::ptrdiff_t outStride) {
    if (lanes.depth == SampleDepth::Eight) {
        run<std::uint8_t>(lanes, sums, first, end, out, outStride);
    } else {
        run<std::uint16_t>(lanes, sums, first, end, out, outStride);
    }
}

} // namespace portable

namespace {

using PrimeFunction = void (*)(const LaneRun&, LaneSums&);
using RunFunction = void (*)(const LaneRun&, LaneSums&, std::int64_t, std::int64_t, std::byte*,
                             std::ptrdiff_t);

struct LaneKernels {
    PrimeFunction prime;
    RunFunction run;
};

LaneKernels kernelsFor(LaneTarget target) {
    switch (target) {
#if HWY_TARGETS & HWY_AVX2
    case LaneTarget::Avx2:
        return {&N_AVX2::primeLanes, &N_AVX2::runLanes};
#endif
#if HWY_TARGETS & HWY_SSE4
    case LaneTarget::Sse4:
        return {&N_SSE4::primeLanes, &N_SSE4::runLanes};
#endif
    default:
        return {&portable::primeLanes, &portable::runLanes};
    }
}

const LaneKernels& bestKernels() {
    static const LaneKernels kernels = kernelsFor(bestLaneTarget());
    return kernels;
}

} // namespace

bool laneTargetAvailable(LaneTarget target) {
    switch (target) {
    case LaneTarget::Avx2:
        return (HWY_TARGETS & HWY_AVX2) != 0 && (hwy::SupportedTargets() & HWY_AVX2) != 0;
    case LaneTarget::Sse4:
        return (HWY_TARGETS & HWY_SSE4) != 0 && (hwy::SupportedTargets() & HWY_SSE4) != 0;
    case LaneTarget::Portable:
        return true;
    }
    return false;
}

LaneTarget bestLaneTarget() {
    for (const LaneTarget target : {LaneTarget::Avx2, LaneTarget::Sse4}) {
        if (laneTargetAvailable(target)) {
            return target;
        }
    }
    return LaneTarget::Portable;
}

void primeLanes(const LaneRun& run, LaneSums& sums) {
    bestKernels().prime(run, sums);
}

void runLanes(const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end, std::byte* out,
              std::ptrdiff_t outStride) {
    bestKernels().run(run, sums, first, end, out, outStride);
}

void primeLanesOn(LaneTarget target, const LaneRun& run, LaneSums& sums) {
    kernelsFor(laneTargetAvailable(target) ? target : LaneTarget::Portable).prime(run, sums);
}

void runLanesOn(LaneTarget target, const LaneRun& run, LaneSums& sums, std::int64_t first, std::int64_t end,
                std::byte* out, std::ptrdiff_t outStride) {
    kernelsFor(laneTargetAvailable(target) ? target : LaneTarget::Portable)
        .run(run, sums, first, end, out, outStride);
}

} // namespace korvane::tent

#endif // HWY_ONCE

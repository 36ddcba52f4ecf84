// Highway compiles this file once per instruction set (foreach_target.h includes it again for each); the
// part after HWY_ONCE picks the best set the processor has. The file is built without fused multiply-adds:
// the lanes' arithmetic must stay the per-line path's.
#include "curves/LaneTargets.h"
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/FloatTentLanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include "pixels/FloatTentLanes.h"

#include <hwy/highway.h>

#include "curves/LaneLoop-inl.h"
#include "pixels/MirrorFold.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace korvane::tent {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// The lines' blocks at one position each, folded at the ends.
struct Blocks {
    const std::byte* const* base;
    std::ptrdiff_t stride;
    std::int64_t length;

    const float* at(int line, std::int64_t i) const {
        if (i < 0 || i >= length) {
            i = mirrorFold(i, length);
        }
        return reinterpret_cast<const float*>(base[line] + i * stride);
    }

    // Position i within the line.
    const float* inside(int line, std::int64_t i) const {
        return reinterpret_cast<const float*>(base[line] + i * stride);
    }
};

// A block's floats from v on as doubles less the lanes' offsets: the per-line path's samples.
template <class D>
HWY_INLINE hn::Vec<D> sample(D d, const float* block, std::int32_t v, hn::Vec<D> offset) {
    const hn::Rebind<float, D> df;
    return hn::Sub(hn::PromoteTo(d, hn::LoadU(df, block + v)), offset);
}

// The sums at output 0 (TentLineSums::prime): each side of the window summed per residue of the fold.
void prime(const FloatLaneRun& run, const Blocks& blocks, FloatLaneSums& s) {
    const std::int64_t r = run.kernel.whole;
    const std::int64_t n = run.length;
    const std::int64_t period = 2 * n;
    const std::int32_t values = run.values;
    for (int j = 0; j < run.lines; ++j) {
        const float* first = blocks.at(j, 0);
        double* offset = s.offset + j * values;
        double* aboveSum = s.window + j * values;
        double* aboveTent = s.tent + j * values;
        double* belowSum = s.belowSum + j * values;
        double* belowTent = s.belowTent + j * values;
        for (std::int32_t v = 0; v < values; ++v) {
            offset[v] = double(first[v]);
            aboveSum[v] = 0.0;
            aboveTent[v] = 0.0;
            belowSum[v] = 0.0;
            belowTent[v] = 0.0;
        }
        // Indices 0 .. r with tent weights (r + 1 - i), then -1 .. -r with weights (r + 1 - j).
        for (const bool below : {false, true}) {
            const std::int64_t side = below ? r : r + 1;
            double* sum = below ? belowSum : aboveSum;
            double* tent = below ? belowTent : aboveTent;
            const std::int64_t residues = std::min(side, period);
            for (std::int64_t rho = 0; rho < residues; ++rho) {
                const std::int64_t terms = (side - 1 - rho) / period + 1;
                const double count = double(terms);
                const double weight =
                    count * double(side - rho) - double(period) * count * (count - 1.0) / 2.0;
                const float* block = blocks.at(j, below ? -(1 + rho) : rho);
                korvane::HWY_NAMESPACE::wholeVectorsThenTail(values, [&](auto d, std::int32_t v) HWY_ATTR {
                    const auto x = sample(d, block, v, hn::LoadU(d, offset + v));
                    hn::StoreU(hn::Add(hn::LoadU(d, sum + v), hn::Mul(hn::Set(d, count), x)), d, sum + v);
                    hn::StoreU(hn::Add(hn::LoadU(d, tent + v), hn::Mul(hn::Set(d, weight), x)), d, tent + v);
                });
            }
        }
        const float* high = blocks.at(j, r + 1);
        double* change = s.change + j * values;
        korvane::HWY_NAMESPACE::wholeVectorsThenTail(values, [&](auto d, std::int32_t v) HWY_ATTR {
            const auto off = hn::LoadU(d, offset + v);
            const auto x0 = sample(d, first, v, off);
            const auto h = sample(d, high, v, off);
            const auto above = hn::LoadU(d, aboveSum + v);
            const auto belowS = hn::LoadU(d, belowSum + v);
            // (samples 1 .. r + 1) - (samples -r .. 0)
            hn::StoreU(hn::Sub(hn::Add(hn::Sub(above, x0), h), hn::Add(x0, belowS)), d, change + v);
            hn::StoreU(hn::Add(above, belowS), d, aboveSum + v); // the window
            hn::StoreU(hn::Add(hn::LoadU(d, aboveTent + v), hn::LoadU(d, belowTent + v)), d, aboveTent + v);
        });
    }
}

// Outputs x .. x + kSteps - 1 of every lane, the sums moved on after each (unless Advance is false: then
// the one output x, the line's last). The sums stay in registers over the steps, and the samples just
// outside the window come from the step before (x - r - 1 is the sample that left at x - 1, x + r + 1 the
// one that entered): the operations on each lane are those of one step after another. Inside: every
// position the steps read lies within the line.
template <int kSteps, bool Advance, bool Inside>
HWY_INLINE void steps(const FloatLaneRun& run, const Blocks& blocks, FloatLaneSums& s, std::int64_t x) {
    static_assert(Advance || kSteps == 1);
    const std::int64_t r = run.kernel.whole;
    const double tentWeight = run.kernel.scale;
    const double windowWeight = run.kernel.blendWeight * run.kernel.scale;
    const double edgeWeight = run.kernel.edgeWeight * run.kernel.scale;
    const std::int32_t values = run.values;
    for (int j = 0; j < run.lines; ++j) {
        auto block = [&](std::int64_t i) { return Inside ? blocks.inside(j, i) : blocks.at(j, i); };
        const float* low = block(x - r - 1);
        const float* high = block(x + r + 1);
        const float* leaving[kSteps];
        const float* entering[kSteps];
        const float* next[kSteps];
        float* out[kSteps];
        for (int t = 0; t < kSteps; ++t) {
            leaving[t] = block(x + t - r);
            entering[t] = block(x + t + r + 2);
            next[t] = block(x + t + 1);
            out[t] = reinterpret_cast<float*>(run.out[j] + (x + t) * run.outStride);
        }
        const std::int32_t base = j * values;
        korvane::HWY_NAMESPACE::wholeVectorsThenTail(values, [&](auto d, std::int32_t v) HWY_ATTR {
            const hn::Rebind<float, decltype(d)> df;
            const std::int32_t i = base + v;
            const auto offset = hn::LoadU(d, s.offset + i);
            auto window = hn::LoadU(d, s.window + i);
            auto tent = hn::LoadU(d, s.tent + i);
            auto change = hn::LoadU(d, s.change + i);
            auto h = sample(d, high, v, offset);
            auto l = sample(d, low, v, offset);
            for (int t = 0; t < kSteps; ++t) {
                const auto weighed =
                    hn::Add(hn::Mul(tent, hn::Set(d, tentWeight)), hn::Mul(window, hn::Set(d, windowWeight)));
                const auto value =
                    hn::Add(hn::Add(weighed, hn::Mul(hn::Add(l, h), hn::Set(d, edgeWeight))), offset);
                hn::StoreU(hn::DemoteTo(df, value), df, out[t] + v);
                if constexpr (Advance) {
                    const auto le = sample(d, leaving[t], v, offset);
                    const auto en = sample(d, entering[t], v, offset);
                    const auto nx = sample(d, next[t], v, offset);
                    window = hn::Add(window, hn::Sub(h, le));
                    tent = hn::Add(tent, change);
                    change = hn::Add(change, hn::Sub(hn::Add(en, le), hn::Add(nx, nx)));
                    l = le;
                    h = en;
                }
            }
            if constexpr (Advance) {
                hn::StoreU(window, d, s.window + i);
                hn::StoreU(tent, d, s.tent + i);
                hn::StoreU(change, d, s.change + i);
            }
        });
    }
}

// Steps taken together where they read only inside the line.
constexpr int kStepsTogether = 4;

} // namespace

void runFloatLanes(const FloatLaneRun& run, FloatLaneSums& sums, bool* nonFinite) {
    if (run.length <= 0 || run.values <= 0) {
        std::fill(nonFinite, nonFinite + std::max(run.lines * run.values, 0), false);
        return;
    }
    const Blocks blocks{run.in, run.inStride, run.length};
    prime(run, blocks, sums);
    const std::int64_t r = run.kernel.whole;
    std::int64_t x = 0;
    while (x + 1 < run.length) {
        // The steps x .. x + 3 read x - r - 1 .. x + r + 5.
        if (x >= r + 1 && x + kStepsTogether + r + 1 < run.length) {
            steps<kStepsTogether, true, true>(run, blocks, sums, x);
            x += kStepsTogether;
        } else {
            steps<1, true, false>(run, blocks, sums, x);
            ++x;
        }
    }
    steps<1, false, false>(run, blocks, sums, run.length - 1);
    // The per-line path's test, in its order of additions.
    for (int i = 0; i < run.lines * run.values; ++i) {
        nonFinite[i] = !std::isfinite(sums.window[i] + sums.tent[i] + sums.change[i] + sums.offset[i]);
    }
}

} // namespace HWY_NAMESPACE
} // namespace korvane::tent
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvane::tent {

HWY_EXPORT(runFloatLanes);

void runFloatLanes(const FloatLaneRun& run, FloatLaneSums& sums, bool* nonFinite) {
    HWY_DYNAMIC_DISPATCH(runFloatLanes)(run, sums, nonFinite);
}

void runFloatLanesOn(LaneTarget target, const FloatLaneRun& run, FloatLaneSums& sums, bool* nonFinite) {
    if (!laneTargetAvailable(target)) {
        target = LaneTarget::Portable;
    }
    switch (target) {
#if HWY_TARGETS & HWY_AVX2
    case LaneTarget::Avx2:
        N_AVX2::runFloatLanes(run, sums, nonFinite);
        return;
#endif
#if HWY_TARGETS & HWY_SSE4
    case LaneTarget::Sse4:
        N_SSE4::runFloatLanes(run, sums, nonFinite);
        return;
#endif
    default:
        HWY_STATIC_DISPATCH(runFloatLanes)(run, sums, nonFinite);
        return;
    }
}

} // namespace korvane::tent
#endif

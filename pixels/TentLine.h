#pragma once
#include "pixels/MirrorFold.h"
#include "pixels/TentKernel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

namespace korvane {

// One line (a row or a column) of a view: sample i lies at base + i x stride.
template <class Pixel>
struct PixelLine {
    std::byte* base = nullptr;
    std::ptrdiff_t stride = 0;

    Pixel& operator[](std::int64_t i) const { return *reinterpret_cast<Pixel*>(base + i * stride); }
};

namespace tent {

// Classes of a float sample that the running sums must not see.
enum SampleClass : std::uint8_t { kFinite = 0, kNaN = 1, kPlusInfinity = 2, kMinusInfinity = 3 };

// Running tent sums over one line with mirror edges. Per output x, with the window x - r .. x + r:
//   B = plain window sum, T = sum of (r + 1 - |k|) x sample(x + k),
//   D = (samples x + 1 .. x + r + 1) - (samples x - r .. x), what T changes by on advancing,
// so that on advancing B gains sample(x + r + 1) and loses sample(x - r), T gains D, and D gains
// sample(x + r + 2) - 2 sample(x + 1) + sample(x - r): a handful of additions per output, whatever the
// radius.
//
// At integer depths the sums are whole numbers, exact in doubles. Float sums are kept relative to the line's
// first sample, so that a uniform float line sums to exactly 0 and comes out at exactly its own value at
// every radius. With TrackNonFinite (float lines that hold an infinity or a NaN) the sums see such samples as
// 0 and count them instead, so that they spread only as far as the kernel reaches, as in a direct
// convolution, rather than poisoning the rest of the line.
template <class Pixel, bool TrackNonFinite>
class TentLineSums {
public:
    static constexpr int kChannels = Pixel::kChannelCount;

    TentLineSums(const PixelLine<Pixel>& line, std::int64_t length) : line_(line), length_(length) {
        if constexpr (Pixel::kIsFloat) {
            const Pixel& first = line_[0];
            for (int c = 0; c < kChannels; ++c) {
                const double value = double(first.channel[c]);
                offset_[c] = TrackNonFinite && !std::isfinite(value) ? 0.0 : value;
            }
        }
    }

    // Runs the line, handing store(x, channel, value) every output value. False when a sum went non-finite
    // (only possible without TrackNonFinite): the line must then be run again with it.
    template <class Store>
    bool run(const TentKernel& kernel, Store&& store) {
        const std::int64_t r = kernel.whole;
        prime(r);
        for (std::int64_t x = 0; x + 1 < length_; ++x) {
            emit(x, kernel, store);
            // Inside the line no sample needs folding.
            if (x >= r && x + r + 2 < length_) {
                advance<false>(x, r);
            } else {
                advance<true>(x, r);
            }
        }
        emit(length_ - 1, kernel, store);
        if constexpr (!TrackNonFinite) {
            for (int c = 0; c < kChannels; ++c) {
                if (!std::isfinite(window_[c] + tent_[c] + change_[c] + offset_[c])) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    struct Sample {
        double v[kChannels];
        std::uint8_t cls[TrackNonFinite ? kChannels : 1];
    };

    template <class Store>
    void emit(std::int64_t x, const TentKernel& kernel, Store& store) const {
        const Sample& low = samples_[low_];
        const Sample& high = samples_[high_];
        const double tentWeight = kernel.scale;
        const double windowWeight = kernel.blendWeight * kernel.scale;
        const double edgeWeight = kernel.edgeWeight * kernel.scale;
        double values[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            values[c] = tent_[c] * tentWeight + window_[c] * windowWeight +
                        (low.v[c] + high.v[c]) * edgeWeight + offset(c);
        }
        for (int c = 0; c < kChannels; ++c) {
            if constexpr (TrackNonFinite) {
                values[c] = withNonFinite(c, values[c], kernel.edgeWeight > 0.0);
            }
            store(x, c, values[c]);
        }
    }

    // From output x to x + 1: sample x + r + 1 enters the window and x - r leaves it.
    // The samples just outside the window trade places with the spare slots instead of being copied.
    template <bool Fold>
    void advance(std::int64_t x, std::int64_t r) {
        Sample& leaving = samples_[spareLow_];
        Sample& entering = samples_[spareHigh_];
        Sample& next = samples_[kNextSlot];
        const Sample& high = samples_[high_];
        load<Fold>(x - r, leaving);
        load<Fold>(x + r + 2, entering);
        load<false>(x + 1, next);
        for (int c = 0; c < kChannels; ++c) {
            window_[c] += high.v[c] - leaving.v[c];
            tent_[c] += change_[c];
            change_[c] += (entering.v[c] + leaving.v[c]) - 2.0 * next.v[c];
        }
        if constexpr (TrackNonFinite) {
            count(high, 1);
            count(leaving, -1);
        }
        std::swap(low_, spareLow_);
        std::swap(high_, spareHigh_);
    }

    template <bool Fold = true>
    void load(std::int64_t i, Sample& sample) const {
        const Pixel& pixel = line_[Fold ? mirrorFold(i, length_) : i];
        for (int c = 0; c < kChannels; ++c) {
            const double value = double(pixel.channel[c]);
            if constexpr (TrackNonFinite) {
                if (std::isfinite(value)) {
                    sample.cls[c] = kFinite;
                    sample.v[c] = value - offset(c);
                } else {
                    sample.cls[c] = std::isnan(value) ? kNaN : value > 0.0 ? kPlusInfinity : kMinusInfinity;
                    sample.v[c] = 0.0;
                }
            } else {
                sample.v[c] = value - offset(c);
            }
        }
    }

    void count(const Sample& sample, std::int64_t times) {
        for (int c = 0; c < kChannels; ++c) {
            counts_[sample.cls[c]][c] += times;
        }
    }

    // Sums over one side of the window at x = 0: indices 0 .. length - 1 with tent weights (length - i), or
    // indices -1 .. -length with tent weights (length + 1 - j). The folded line repeats every 2n samples on
    // each side, so a side longer than that is summed per residue with closed-form counts and weights: the
    // priming costs at most 2n loads per side however large the radius.
    void sideSums(bool below, std::int64_t length, double (&sum)[kChannels], double (&tent)[kChannels]) {
        const std::int64_t period = 2 * length_;
        const std::int64_t residues = std::min(length, period);
        Sample& sample = samples_[kNextSlot];
        for (std::int64_t rho = 0; rho < residues; ++rho) {
            const std::int64_t terms = (length - 1 - rho) / period + 1;
            const double n = double(terms);
            const double weight = n * double(length - rho) - double(period) * n * (n - 1.0) / 2.0;
            load(below ? -(1 + rho) : rho, sample);
            for (int c = 0; c < kChannels; ++c) {
                sum[c] += n * sample.v[c];
                tent[c] += weight * sample.v[c];
            }
            if constexpr (TrackNonFinite) {
                count(sample, terms);
            }
        }
    }

    void prime(std::int64_t r) {
        double aboveSum[kChannels] = {};
        double aboveTent[kChannels] = {};
        double belowSum[kChannels] = {};
        double belowTent[kChannels] = {};
        sideSums(false, r + 1, aboveSum, aboveTent);
        sideSums(true, r, belowSum, belowTent);
        Sample& first = samples_[kNextSlot];
        load(0, first);
        load(r + 1, samples_[high_]);
        load(-r - 1, samples_[low_]);
        for (int c = 0; c < kChannels; ++c) {
            window_[c] = aboveSum[c] + belowSum[c];
            tent_[c] = aboveTent[c] + belowTent[c];
            // (samples 1 .. r + 1) - (samples -r .. 0)
            change_[c] = (aboveSum[c] - first.v[c] + samples_[high_].v[c]) - (first.v[c] + belowSum[c]);
        }
    }

    // What a direct convolution gives where the kernel reaches an infinity or a NaN.
    double withNonFinite(int c, double value, bool edgesCount) const {
        std::int64_t nan = counts_[kNaN][c];
        std::int64_t plus = counts_[kPlusInfinity][c];
        std::int64_t minus = counts_[kMinusInfinity][c];
        if (edgesCount) {
            for (const Sample* edge : {&samples_[low_], &samples_[high_]}) {
                nan += edge->cls[c] == kNaN;
                plus += edge->cls[c] == kPlusInfinity;
                minus += edge->cls[c] == kMinusInfinity;
            }
        }
        if (nan > 0 || (plus > 0 && minus > 0)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (plus > 0) {
            return std::numeric_limits<double>::infinity();
        }
        if (minus > 0) {
            return -std::numeric_limits<double>::infinity();
        }
        return value;
    }

    PixelLine<Pixel> line_;
    std::int64_t length_;
    // Float depths only: integer sums need no offset, and a constant 0 costs nothing.
    double offset(int c) const {
        if constexpr (Pixel::kIsFloat) {
            return offset_[c];
        } else {
            return 0.0;
        }
    }

    double offset_[kChannels] = {};
    double window_[kChannels] = {};
    double tent_[kChannels] = {};
    double change_[kChannels] = {};
    // Sample x - r - 1 (low), sample x + r + 1 (high), the two spares they trade with, and a scratch slot.
    static constexpr int kNextSlot = 4;
    Sample samples_[5] = {};
    int low_ = 0;
    int high_ = 1;
    int spareLow_ = 2;
    int spareHigh_ = 3;
    // Non-finite samples in the window, per class and channel (TrackNonFinite only).
    std::int64_t counts_[4][kChannels] = {};
};

} // namespace tent

// Blurs one line of `length` samples from `input` into `output` with the tent kernel. store(pixel, channel,
// value) writes one output value. Float lines holding an infinity or a NaN are run a second time with
// tracking, so that they stay local.
template <class Pixel, class Store>
void blurTentLine(const PixelLine<Pixel>& input, const PixelLine<Pixel>& output, std::int64_t length,
                  const TentKernel& kernel, Store&& store) {
    if (length <= 0) {
        return;
    }
    auto write = [&](std::int64_t x, int c, double value) { store(output[x].channel[c], value); };
    tent::TentLineSums<Pixel, false> sums(input, length);
    if (sums.run(kernel, write)) {
        return;
    }
    if constexpr (Pixel::kIsFloat) {
        tent::TentLineSums<Pixel, true> tracked(input, length);
        tracked.run(kernel, write);
    }
}

} // namespace korvane

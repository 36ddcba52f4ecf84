#pragma once
#include <cmath>
#include <cstdint>

namespace korvane::relative {

// Counts values that lie in [start, end] into `bins` bins: bin floor((v - start) (bins - 1) / (end - start)),
// a value at the end always in the last bin. A range whose start is not below its end (hand-edited sequence
// data) or too wide for the arithmetic counts nothing; so do NaN values and values outside the range.
class HistogramCounter {
public:
    HistogramCounter() = default;
    HistogramCounter(std::int32_t bins, double start, double end)
        : bins_(bins), start_(start), end_(end), last_(double(bins - 1)), width_(end - start) {}

    bool usable() const {
        return bins_ > 0 && start_ < end_ && std::isfinite(width_) && std::isfinite(last_ / width_);
    }

    void count(std::int32_t* counts, double v) const {
        if (!(v >= start_ && v <= end_)) {
            return;
        }
        // (end - start) x (bins - 1) / (end - start) may round just below bins - 1.
        const std::int32_t bin = v < end_ ? std::int32_t((v - start_) * last_ / width_) : bins_ - 1;
        ++counts[bin < bins_ - 1 ? bin : bins_ - 1];
    }

private:
    std::int32_t bins_ = 0;
    double start_ = 0.0;
    double end_ = 1.0;
    double last_ = 0.0;
    double width_ = 1.0;
};

} // namespace korvane::relative

#pragma once
#include "curves/KnotList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace korvane::absolute {

// Index of a channel value into a table of last + 1 entries (the value's integer part). A NaN reads entry 0
// and a value beyond the table (a 16-bit channel above 32768, which a host may hand over) the last entry.
inline std::int32_t tableIndex(double v, std::int32_t last) {
    // std::max(0.0, NaN) is 0.0; both bounds compile to branch-free min and max.
    return std::int32_t(std::min(std::max(0.0, v), double(last)));
}

// A curve sampled into a table (integer depths): channel values index it directly, unit values (saturation,
// hue) after scaling by the table's last index, the depth's maximum.
class TableLookup {
public:
    TableLookup() = default;
    TableLookup(const float* table, std::int32_t last) : table_(table), last_(last), max_(last) {}

    double atChannel(double v) const { return table_[tableIndex(v, last_)]; }
    double atUnit(double u) const { return table_[tableIndex(u * max_, last_)]; }
    // values[i] = atChannel(values[i]) for i < count.
    void atChannels(double* values, std::int32_t count) const {
        for (std::int32_t i = 0; i < count; ++i) {
            values[i] = atChannel(values[i]);
        }
    }

private:
    const float* table_ = nullptr;
    std::int32_t last_ = 0;
    double max_ = 0.0;
};

// A curve evaluated at each value (float depth), unclamped and extended linearly beyond its ends. NaN and
// infinite values go through the curve's arithmetic; the knot search never leaves the list for them.
class CurveLookup {
public:
    CurveLookup() = default;
    explicit CurveLookup(const KnotList* knots) : knots_(knots) {}

    double atChannel(double v) const { return knots_->evaluate(v); }
    double atUnit(double u) const { return knots_->evaluate(u); }
    // A run of channel values at once in vector lanes: atChannel's result, or within 1e-6 of max(1, |y|) of
    // it where a segment's cubic has three real roots (KnotList::evaluateMany).
    void atChannels(double* values, std::int32_t count) const {
        knots_->evaluateMany(values, values, std::size_t(count));
    }

private:
    const KnotList* knots_ = nullptr;
};

} // namespace korvane::absolute

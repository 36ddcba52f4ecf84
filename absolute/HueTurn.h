#pragma once
#include "absolute/ChannelLookup.h"
#include "absolute/HueEntries.h"
#include "curves/KnotList.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace korvane::absolute {

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Where the hue curve sends a hue h, as the cosine and sine of the angle 2 pi L(h).
struct HueTurn {
    double cosine;
    double sine;
};

// Integer depths: the hue table's angles are turned into cosines and sines once per entry, not per pixel.
class HueTableTurn {
public:
    HueTableTurn() = default;
    HueTableTurn(const double* cosines, const double* sines, std::int32_t last)
        : cosines_(cosines), sines_(sines), last_(last), max_(last) {}
    // With the entries' boundaries, so that a run's entries are found by comparisons (hueTableEntries).
    HueTableTurn(const double* cosines, const double* sines, const HueBoundaries* boundaries)
        : HueTableTurn(cosines, sines, boundaries->last()) {
        boundaries_ = boundaries;
    }

    HueTurn at(double h) const { return ofEntry(tableIndex(h * max_, last_)); }
    HueTurn ofEntry(std::int32_t entry) const { return {cosines_[entry], sines_[entry]}; }
    std::int32_t last() const { return last_; }
    double max() const { return max_; }
    // Null when made without boundaries.
    const HueBoundaries* boundaries() const { return boundaries_; }

    // The entry's angle exactly as the hue step would compute it from the table value.
    static HueTurn ofTableValue(float value) {
        const double angle = kTwoPi * double(value);
        return {std::cos(angle), std::sin(angle)};
    }

private:
    const double* cosines_ = nullptr;
    const double* sines_ = nullptr;
    const HueBoundaries* boundaries_ = nullptr;
    std::int32_t last_ = 0;
    double max_ = 0.0;
};

// Float: the hue curve evaluated at h itself, unclamped.
class HueCurveTurn {
public:
    HueCurveTurn() = default;
    explicit HueCurveTurn(const KnotList* knots) : knots_(knots) {}

    HueTurn at(double h) const {
        const double angle = kTwoPi * knots_->evaluate(h);
        return {std::cos(angle), std::sin(angle)};
    }

private:
    const KnotList* knots_ = nullptr;
};

} // namespace korvane::absolute

#pragma once
#include <cstdint>
#include <vector>

namespace korvane::relative {

// The hue table entry of an integer-depth colour without the inverse cosine: the entry the run steps read,
// tableIndex(hueSource(red, green, blue, max), max), which is 0 for grey and else the whole part of h x max
// (at most max). The hue h comes from the cosine c = y / length of the colour's angle in the hue plane (h =
// acos(c) / 2 pi, or 1 minus that where the colour lies on the negative x side); its entry changes where h
// x max is whole, that is where c crosses cos(2 pi k / max). The finder holds those crossings, counts the
// ones above c (a rough inverse cosine guesses, the crossings decide), and works the hue out with the inverse
// cosine itself where c lies within a hair of a crossing (1e-9 of a turn), where the inverse cosine's
// rounding could put the entry on either side.
class HueEntryFinder {
public:
    HueEntryFinder() = default;
    // For tables of max + 1 entries (max at least 2).
    explicit HueEntryFinder(std::int32_t max);

    std::int32_t entry(double red, double green, double blue) const;

private:
    std::int32_t max_ = 0;
    // crossing_[k] = cos(2 pi k / max) for k = 0..max / 2, decreasing, then one below every cosine; the
    // window around each in which the entry is worked out the straightforward way.
    std::vector<double> crossing_;
    std::vector<double> windowLow_;
    std::vector<double> windowHigh_;
};

} // namespace korvane::relative

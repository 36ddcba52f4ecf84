#pragma once
#include <cstddef>
#include <cstdint>

namespace korvane::absolute {

// Where the hue table's entries meet, for a depth whose white (the table's last index) is `last`: the hue
// step reads entry ⌊h·last⌋ of the hue h = acos(y)/2π of a unit chroma direction (x, y) (1 - that where x is
// negative), so the entry changes where y crosses cos(2πk/last). The cosines of those angles, and for each of
// a number of equal buckets of y in [-1, 1] the entry its top lies in, are worked out once per render; a
// direction's entry is then found by comparisons. A y within kBoundaryMargin of a boundary, where the
// rounding of the inverse cosine could pick the neighbouring entry, is worked out with std::acos.
class HueBoundaries {
public:
    // Doubles of cosines and entries of firstEntries for a table whose last index is `last`.
    static std::size_t cosineCount(std::int32_t last);
    static std::size_t bucketCount(std::int32_t last);

    HueBoundaries() = default;
    // Fills the two arrays (of cosineCount and bucketCount entries), which must outlive the boundaries.
    HueBoundaries(std::int32_t last, double* cosines, std::int32_t* firstEntries);

    std::int32_t last() const { return last_; }
    // The entry of direction (x, y): tableIndex(min(hueTurns(x, y), 1) * last, last), exactly.
    std::int32_t entry(double x, double y) const;

private:
    friend void hueTableEntries(const HueBoundaries&, const double*, const double*, std::int32_t, std::int32_t*);

    const double* cosines_ = nullptr;
    const std::int32_t* firstEntries_ = nullptr;
    std::int32_t last_ = 0;
    std::int32_t buckets_ = 0;
    double halfBuckets_ = 0.0;
};

// entries[i] = boundaries.entry(x[i], y[i]) for i < count: the bucket and comparisons in vector lanes, a
// direction they leave unsure (past a second boundary of its bucket, or near one) by entry().
void hueTableEntries(const HueBoundaries& boundaries, const double* x, const double* y, std::int32_t count,
                     std::int32_t* entries);

// Far beyond the rounding of a cosine or an inverse cosine (about 1e-16): a y this far from every boundary
// has an angle at least this far from every boundary angle (the inverse cosine's slope is at least 1), and so
// a scaled hue at least 1e-9·last/2π from every whole number, where the roundings move it by less than 1e-11.
inline constexpr double kBoundaryMargin = 1e-9;

} // namespace korvane::absolute

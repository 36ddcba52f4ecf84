#pragma once
#include "editor/EditorLayout.h"

#include <cmath>
#include <vector>

namespace korvane {

// Coverage (0..1) per pixel over a rectangle; every walker keeps the largest coverage a pixel gets, so
// overlapping pieces of one line never blend twice. Pixels outside the rectangle are dropped.
class CoverageMap {
public:
    explicit CoverageMap(const PanelRect& area);

    const PanelRect& area() const { return area_; }
    float at(int x, int y) const { return coverage_[index(x, y)]; }
    void cover(int x, int y, double coverage);
    void clear();
    // As clear, touching only the rows each column's walkers reached: cheap after a thin line.
    void clearCovered();

    // The rows of column x that hold any coverage, top included and bottom excluded; empty when none do.
    int coveredTop(int x) const { return columnTop_[column(x)]; }
    int coveredBottom(int x) const { return columnBottom_[column(x)]; }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y - area_.top) * static_cast<std::size_t>(area_.width()) +
               static_cast<std::size_t>(x - area_.left);
    }

    std::size_t column(int x) const { return static_cast<std::size_t>(x - area_.left); }

    PanelRect area_;
    std::vector<float> coverage_;
    std::vector<int> columnTop_;
    std::vector<int> columnBottom_;
};

// A straight segment between pixel centres, anti-aliased: each pixel gets clamp(halfWidth - d, 0, 1)
// with d its distance from the segment. halfWidth 1.5 gives the curves' 3-pixel line with soft edges.
void coverSegment(CoverageMap& map, double x0, double y0, double x1, double y1, double halfWidth);

// Calls visit(x, y, distance) for every pixel whose centre lies within `reach` of (cx, cy).
template <class Visit>
void walkDisc(int cx, int cy, double reach, Visit visit) {
    const int r = static_cast<int>(reach) + 1;
    for (int y = cy - r; y <= cy + r; ++y) {
        for (int x = cx - r; x <= cx + r; ++x) {
            const double dx = x - cx;
            const double dy = y - cy;
            const double distanceSquared = dx * dx + dy * dy;
            if (distanceSquared <= reach * reach) {
                visit(x, y, std::sqrt(distanceSquared));
            }
        }
    }
}

} // namespace korvane

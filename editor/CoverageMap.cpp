#include "editor/CoverageMap.h"

#include <algorithm>
#include <cmath>

namespace korvane {

CoverageMap::CoverageMap(const PanelRect& area) : area_(area) {
    if (area_.right < area_.left) {
        area_.right = area_.left;
    }
    if (area_.bottom < area_.top) {
        area_.bottom = area_.top;
    }
    coverage_.assign(static_cast<std::size_t>(area_.width()) * static_cast<std::size_t>(area_.height()),
                     0.0f);
    columnTop_.assign(static_cast<std::size_t>(area_.width()), area_.bottom);
    columnBottom_.assign(static_cast<std::size_t>(area_.width()), area_.top);
}

void CoverageMap::cover(int x, int y, double coverage) {
    if (!area_.contains(x, y) || !(coverage > 0.0)) {
        return;
    }
    float& stored = coverage_[index(x, y)];
    stored = std::max(stored, static_cast<float>(std::min(coverage, 1.0)));
    int& top = columnTop_[column(x)];
    int& bottom = columnBottom_[column(x)];
    top = std::min(top, y);
    bottom = std::max(bottom, y + 1);
}

void CoverageMap::clear() {
    std::fill(coverage_.begin(), coverage_.end(), 0.0f);
    std::fill(columnTop_.begin(), columnTop_.end(), area_.bottom);
    std::fill(columnBottom_.begin(), columnBottom_.end(), area_.top);
}

void CoverageMap::clearCovered() {
    const auto width = static_cast<std::size_t>(area_.width());
    for (std::size_t c = 0; c < width; ++c) {
        for (int y = columnTop_[c]; y < columnBottom_[c]; ++y) {
            coverage_[static_cast<std::size_t>(y - area_.top) * width + c] = 0.0f;
        }
        columnTop_[c] = area_.bottom;
        columnBottom_[c] = area_.top;
    }
}

void coverSegment(CoverageMap& map, double x0, double y0, double x1, double y1, double halfWidth) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        return;
    }
    const double reach = halfWidth + 0.5;
    const PanelRect& area = map.area();
    // Only the part of the bounding box that lies in the map is walked, however far the ends lie.
    auto within = [](double v, int low, int high) {
        return static_cast<int>(std::clamp(v, double(low), double(high)));
    };
    const double low = std::min(x0, x1);
    const double high = std::max(x0, x1);
    double leftColumn = std::floor(low - reach);
    double rightColumn = std::ceil(high + reach);
    // With ends on whole columns (as the curves draw them) every point of the segment lies exactly within
    // [low, high] across, so a column a whole reach or more beyond them gets nothing: it is not walked.
    constexpr double kExactWhole = 4503599627370496.0; // 2^52: whole numbers and their differences exact
    if (x0 == std::floor(x0) && x1 == std::floor(x1) && std::abs(x0) < kExactWhole &&
        std::abs(x1) < kExactWhole) {
        if (low - leftColumn >= reach) {
            leftColumn += 1.0;
        }
        if (rightColumn - high >= reach) {
            rightColumn -= 1.0;
        }
    }
    const int left = within(leftColumn, area.left, area.right);
    const int right = within(rightColumn, area.left - 1, area.right - 1);
    const int top = within(std::floor(std::min(y0, y1) - reach), area.top, area.bottom);
    const int bottom = within(std::ceil(std::max(y0, y1) + reach), area.top - 1, area.bottom - 1);
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            double t = lengthSquared > 0.0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSquared : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (x0 + t * dx);
            const double ey = y - (y0 + t * dy);
            const double distanceSquared = ex * ex + ey * ey;
            if (distanceSquared < reach * reach) {
                map.cover(x, y, std::clamp(halfWidth - std::sqrt(distanceSquared), 0.0, 1.0));
            }
        }
    }
}

} // namespace korvane

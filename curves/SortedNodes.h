#pragma once
#include "curves/Curve.h"

#include <array>

namespace korvane {

// Slot indices of the active nodes of a curve in ascending x; ties keep slot order.
class SortedNodes {
public:
    explicit SortedNodes(const Curve& curve) {
        for (int slot = 0; slot < kCurveSlots; ++slot) {
            if (curve.nodes[slot].active == 0) {
                continue;
            }
            const double x = curve.nodes[slot].x;
            int position = count_;
            while (position > 0 && curve.nodes[slots_[position - 1]].x > x) {
                slots_[position] = slots_[position - 1];
                --position;
            }
            slots_[position] = slot;
            ++count_;
        }
    }

    int count() const { return count_; }
    int operator[](int k) const { return slots_[k]; }

private:
    std::array<int, kCurveSlots> slots_{};
    int count_ = 0;
};

} // namespace korvane

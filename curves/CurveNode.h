#pragma once
#include <cstddef>
#include <cstdint>

namespace korvane {

// How the automatic handle rule treats one side of a node. Stored as a 32-bit int; values outside
// 0..2 behave as Manual (the rule leaves them alone).
enum class HandleMode : std::int32_t {
    Linear = 0, // points one third of the way to the neighbour
    Smooth = 1, // along the chord from predecessor to successor
    Manual = 2, // kept as the user set it
};

// One node slot of a curve. The layout is part of the stored raw records (72 bytes, natural alignment).
struct CurveNode {
    double x;
    double y;
    std::uint8_t active;
    // Horizontal length of the left handle, positive towards smaller x: the left control point is
    // (x - leftDx, y + leftDy).
    double leftDx;
    double leftDy;
    // The right control point is (x + rightDx, y + rightDy).
    double rightDx;
    double rightDy;
    HandleMode leftMode;
    HandleMode rightMode;
    std::uint8_t linked;
};

static_assert(sizeof(CurveNode) == 72);
static_assert(offsetof(CurveNode, active) == 16);
static_assert(offsetof(CurveNode, leftDx) == 24);
static_assert(offsetof(CurveNode, rightDy) == 48);
static_assert(offsetof(CurveNode, leftMode) == 56);
static_assert(offsetof(CurveNode, rightMode) == 60);
static_assert(offsetof(CurveNode, linked) == 64);

// No grade uses numbers anywhere near this. Keeping every coordinate, handle and view bound within it
// lets the handle rule square and the knot solver cube their differences without overflow.
inline constexpr double kLargestCoordinate = 1e15;

// False for NaN, infinities and finite numbers beyond kLargestCoordinate.
constexpr bool isUsableCoordinate(double value) {
    return value >= -kLargestCoordinate && value <= kLargestCoordinate;
}

// Handle length of an empty slot.
inline constexpr double kFreshHandleLength = 50.0;

// What an empty slot holds.
constexpr CurveNode freshNode() {
    return CurveNode{
        0.0, 0.0, 0, kFreshHandleLength, 0.0, kFreshHandleLength, 0.0, HandleMode::Smooth, HandleMode::Smooth,
        1};
}

} // namespace korvane

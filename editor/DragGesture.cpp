#include "editor/DragGesture.h"

namespace korvane {

namespace {

constexpr std::int64_t kRowStride = 65536;
constexpr std::int64_t kHalfRow = 32768;

int clampWord(A_intptr_t value) {
    // Words come back from the host as they were given; anything else is not a pixel of ours.
    if (value < -kRowStride * kRowStride || value > kRowStride * kRowStride) {
        return 0;
    }
    return static_cast<int>(value);
}

} // namespace

DragGesture DragGesture::read(const PF_DoClickEventInfo& click) {
    DragGesture gesture;
    const A_intptr_t kind = click.continue_refcon[0];
    gesture.kind = kind >= 1 && kind <= 7 ? static_cast<DragKind>(kind) : DragKind::None;
    gesture.a = clampWord(click.continue_refcon[1]);
    gesture.b = clampWord(click.continue_refcon[2]);
    gesture.extra = click.continue_refcon[3];
    return gesture;
}

void DragGesture::write(PF_DoClickEventInfo& click) const {
    click.continue_refcon[0] = static_cast<A_intptr_t>(kind);
    click.continue_refcon[1] = a;
    click.continue_refcon[2] = b;
    click.continue_refcon[3] = static_cast<A_intptr_t>(extra);
}

std::int64_t packPixel(int x, int y) {
    return std::int64_t(y) * kRowStride + x;
}

int unpackPixelX(std::int64_t packed) {
    // x in -32768..32767 survives the borrow from y.
    std::int64_t x = (packed + kHalfRow) % kRowStride;
    if (x < 0) {
        x += kRowStride;
    }
    return static_cast<int>(x - kHalfRow);
}

int unpackPixelY(std::int64_t packed) {
    return static_cast<int>((packed - unpackPixelX(packed)) / kRowStride);
}

} // namespace korvane

#pragma once
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "hostapi/PF_Types.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace korvane {

// What differs between the two effects in the curve model. Each effect picks one; the code that uses
// them is shared.
struct RelativeTraits {
    using CurveSetType = RelativeCurveSet;
    static constexpr double kNeutralSlope = 0.0;
    static constexpr std::array<std::string_view, kCurveCount> kCurveNames{
        "brightness", "saturation", "hue", "red", "green", "blue", "alpha", "postblur"};
    // Refcon of the "curve" parameter's arbitrary data.
    static constexpr A_u_long kArbRefcon = PF_FourCharCode("QZRC");
    // Brightness shown first; the view's y runs from -1 to 1.
    static constexpr EditorDefaults kEditorDefaults{0, -1.0};
};

struct AbsoluteTraits {
    using CurveSetType = AbsoluteCurveSet;
    static constexpr double kNeutralSlope = 1.0;
    static constexpr std::array<std::string_view, kCurveCount> kCurveNames{
        "brightness", "saturation", "hue", "rgb", "red", "green", "blue", "alpha"};
    static constexpr A_u_long kArbRefcon = PF_FourCharCode("QZAC");
    // The rgb curve shown first; the view's y runs from 0 to 1.
    static constexpr EditorDefaults kEditorDefaults{3, 0.0};
};

// The refcon as the parameter definition and the callbacks carry it.
template <class Traits>
void* arbRefcon() {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(Traits::kArbRefcon));
}

} // namespace korvane

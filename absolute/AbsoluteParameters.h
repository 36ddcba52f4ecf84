#pragma once
#include "hostapi/AE_Effect.h"

#include <cstdint>

namespace korvane {

// Host indices of the Absolute effect's parameters (0 is the input layer the host supplies).
enum AbsoluteParameterIndex : PF_ParamIndex {
    kParamChannel = 1,
    kParamCurve = 2,
    kParamScale = 3,
    kParamNodeX = 4,
    kParamNodeY = 5,
    kParamSelectNodeX = 6,
    kParamSelectNodeY = 7,
    kParamInvertAll = 8,
};

inline constexpr std::int32_t kAbsoluteParameterCount = 9;

// Ids stored in projects; "invert all" keeps the 14 it has always had.
enum AbsoluteParameterId : A_long {
    kIdChannel = 1,
    kIdCurve = 2,
    kIdScale = 3,
    kIdNodeX = 4,
    kIdNodeY = 5,
    kIdSelectNodeX = 6,
    kIdSelectNodeY = 7,
    kIdInvertAll = 14,
};

inline constexpr const char* kChannelItems =
    "brightness | saturation | hue | rgb | red | green | blue | alpha";
inline constexpr const char* kScaleItems =
    "Decimal (0.0-1.0) | 8-bpc (0-255) | 10-bpc (0-1023) | 16-bpc (0-32768)";

// Display unit of "node x (input)" and "node y (output)" for a "scale" popup value: 255, 1023 or 32768 for
// values 2, 3, 4, else 1.
double displayScale(PF_ParamValue scaleValue);

// Adds parameters 1 to 8 through the host's add-parameter callback and registers the custom user interface
// of "curve" for the effect-controls panel. Returns the first failure unchanged.
PF_Err registerAbsoluteParameters(PF_InData& in_data);

} // namespace korvane

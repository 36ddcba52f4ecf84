#pragma once
#include "hostapi/AE_Effect.h"

#include <cstdint>

namespace korvane {

// Host indices of the Relative effect's parameters (0 is the input layer the host supplies).
enum RelativeParameterIndex : PF_ParamIndex {
    kParamChange = 1,
    kParamBasedOn = 2,
    kParamChangeBy = 3,
    kParamChangeFactor = 4,
    kParamCurve = 5,
    kParamScale = 6,
    kParamNodeX = 7,
    kParamNodeY = 8,
    kParamSelectNodeX = 9,
    kParamPreBlur = 10,
    kParamBaseLayer = 11,
    kParamShow = 12,
};

inline constexpr std::int32_t kRelativeParameterCount = 13;

// Ids stored in projects; they are not in index order.
enum RelativeParameterId : A_long {
    kIdChange = 1,
    kIdBasedOn = 2,
    kIdBaseLayer = 3,
    kIdChangeBy = 4,
    kIdChangeFactor = 5,
    kIdCurve = 6,
    kIdScale = 7,
    kIdNodeX = 8,
    kIdNodeY = 9,
    kIdSelectNodeX = 10,
    kIdShow = 15,
    kIdPreBlur = 16,
};

inline constexpr const char* kBaseLayerName = "base layer";

inline constexpr const char* kChangeItems =
    "brightness | saturation | hue | red | green | blue | alpha | post blur";
// "(-" is the host's separator item: values 1..7 are pixel properties, 9..16 links to curves.
inline constexpr const char* kBasedOnItems =
    "brightness | saturation | hue | red | green | blue | alpha |(-| brightness curve | saturation curve | "
    "hue curve | red curve| green curve | blue curve | alpha curve | post blur curve";
inline constexpr const char* kChangeByItems = "multiplication | addition";
inline constexpr const char* kScaleItems =
    "Decimal (0.0-1.0) | 8-bpc (0-255) | 10-bpc (0-1023) | 16-bpc (0-32768)";
inline constexpr const char* kShowItems = "normal | node range | matte | colored matte";

// Display unit of "node x (input)" and "node y (ouput)" for a "scale" popup value: 255, 1023 or 32768 for
// values 2, 3, 4, else 1.
double relativeDisplayScale(PF_ParamValue scaleValue);

// Adds parameters 1 to 12 through the host's add-parameter callback, registering the custom user
// interface of "curve" right after it. Returns the first failure unchanged.
PF_Err registerRelativeParameters(PF_InData& in_data);

} // namespace korvane

#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// What an effect declares about one control; the kind (the derived type) decides how it is registered.
struct xParameterDef {
    virtual ~xParameterDef() = default;

    std::string name;    // key handed to parameterChanged and returned by layerParameter
    std::string label;   // text the host shows
    std::int32_t id = 0; // stable id the host stores in projects
    bool animatable = true;
    bool supervised = false;
    bool internal = false; // never registered and never numbered
    bool startCollapsed = false;
    bool enabled = true;
};

struct xGroupDef : xParameterDef {};

struct xGroupEndDef : xParameterDef {};

struct xLayerDef : xParameterDef {};

// Components 0..1. With alphaId above 0 a float slider "<label>(alpha)" follows the colour.
struct xRGBADef : xParameterDef {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alphaDefault = 1.0;
    std::int32_t alphaId = 0;
};

struct xIntSliderDef : xParameterDef {
    std::int32_t defaultValue = 0;
    std::int32_t validMin = 0;
    std::int32_t validMax = 100;
    std::int32_t sliderMin = 0;
    std::int32_t sliderMax = 100;
};

struct xFloatDef : xParameterDef {
    bool pixel = false;
    bool percent = false;
    std::int16_t precision = 1;
    double defaultValue = 0.0;
    double validMin = 0.0;
    double validMax = 1.0;
    double sliderMin = 0.0;
    double sliderMax = 1.0;
};

// Degrees.
struct xAngleDef : xParameterDef {
    double defaultValue = 0.0;
};

struct xCheckboxDef : xParameterDef {
    bool defaultValue = false;
};

// defaultValue is 1-based.
struct xChoiceDef : xParameterDef {
    std::vector<std::string> choices;
    std::int32_t defaultValue = 1;
};

// x and y are fractions of the layer size.
struct xPoint2dDef : xParameterDef {
    double x = 0.5;
    double y = 0.5;
    bool restrictBounds = false;
};

} // namespace korvane

#pragma once
#include "host/EffectInstance.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvhost {

// The curve set text of the effects' "curve" value as a reader of the stored form sees it (docs/
// curve-text.md): a "version" line, then per curve a "curve_NAME LENGTH" line followed by exactly LENGTH
// bytes of curve text ("version", "loop" and one "point" line per node), and for the Relative effect
// "curve_values_NAME" lines. The plug-in's reader skips what it does not understand without a word, so
// the host checks what it hands over against this form, and what the plug-in read back against what it
// was given. Only the form is known here: which curves an effect has and which points it keeps are read
// back from the plug-in itself.
struct CurvePointText {
    int line = 0; // in the whole text, from 1
    std::vector<std::string_view> values;
};

struct CurveBlockText {
    std::string_view name; // "rgb" of "curve_rgb"
    int line = 0;          // of the "curve_NAME LENGTH" line
    std::string_view header;
    std::string_view declaredLength;
    // Bytes from the line after the header to the next line that starts with "curve_", or to the end.
    std::size_t blockLength = 0;
    std::vector<CurvePointText> points;
};

struct CurveValuesText {
    std::string_view name; // "red" of "curve_values_red"
    int line = 0;
    std::vector<std::string_view> values;
};

struct CurveSetText {
    std::vector<CurveBlockText> curves;
    std::vector<CurveValuesText> values;
    // Lines of block content ("loop", "point") that stand before the first curve block.
    std::vector<int> strayLines;

    // Splits the text at its lines; never throws. The text is not copied: the views point into it.
    static CurveSetText parse(std::string_view text);
    // "brightness, saturation, ..." in text order.
    std::string curveNames() const;
};

// The check of a value before it goes to the plug-in: text bytes only, the "version" line first, every
// curve header "curve_NAME LENGTH" with one blank and a LENGTH that is its block's length, point lines of
// nine numbers. Throws HostError "SOURCE: ..." that names the line and the token at fault.
void checkCurveSetText(const std::string& source, std::string_view text);

// Curve set text as the plug-in reads it and writes it back.
using CurveSetReader = std::function<std::string(const std::string& text)>;
// The plug-in of `instance` as that reader, through the arbitrary-data parameter at `index`.
CurveSetReader curveSetReader(EffectInstance& instance, int index);

// The check after the plug-in read the value: every curve given is one of the effect's, and every point
// and value given was kept. `readBack` is the plug-in's own flat text of the value it made. A point it
// did not keep is named: when the plug-in keeps that point alone (asked through `readAlone`), the curve
// held more points than the plug-in keeps; otherwise the point's values made it drop the point, and the
// value that is not finite, or the largest, is named. Throws HostError "SOURCE: ...".
void checkCurvesKept(const std::string& source, std::string_view given, std::string_view readBack,
                     const CurveSetReader& readAlone);

} // namespace kvhost

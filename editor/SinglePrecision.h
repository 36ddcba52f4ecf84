#pragma once

namespace korvane {

// The value rounded to single precision, as handle lengths are stored. The round trip goes through a
// volatile float: GCC 12's vectorizer drops a plain double -> float -> double pair when two of them sit
// side by side.
inline double roundToSingle(double value) {
    volatile float rounded = static_cast<float>(value);
    return rounded;
}

} // namespace korvane

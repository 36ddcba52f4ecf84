#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// Numbers of the stored text forms, independent of the process locale.

// Six significant digits, fixed or exponent form as printf's %g chooses ("0.330067", "1e-05", "-0").
void appendNumber(std::string& out, double value);
void appendNumber(std::string& out, std::int32_t value);

// As atof: the longest numeric prefix (decimal, hexadecimal, "inf", "nan"); no number gives 0.
double parseDouble(std::string_view token);
// As atoi: optional sign and decimal digits; no number gives 0; out-of-range values saturate.
std::int32_t parseInt(std::string_view token);

} // namespace korvane

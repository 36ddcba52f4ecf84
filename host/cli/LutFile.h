#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvhost {

// The LUT file formats kvhost writes, as OpenColorIO and most grading tools read them.
//   cube   LUT_1D_SIZE or LUT_3D_SIZE, DOMAIN_MIN / DOMAIN_MAX when the input domain is not 0..1
//   spi3d  SPILUT 1.0, a 3D lattice over 0..1 (no input domain)
//   spi1d  a 1D table with its input domain ("From LO HI")
//   clf    Common LUT Format 3: a Range node when the domain is not 0..1, then LUT1D or LUT3D
enum class LutFormat { Cube, Spi3d, Spi1d, Clf };

std::optional<LutFormat> lutFormatNamed(std::string_view name);
// By the file's extension (.cube, .spi3d, .spi1d, .clf); none for another extension.
std::optional<LutFormat> lutFormatOfPath(const std::string& path);
const char* lutFormatName(LutFormat format);
bool holds3d(LutFormat format);
bool holds1d(LutFormat format);
bool holdsDomain(LutFormat format);

// A sampled grade. 3D: size^3 entries, red index fastest, then green, then blue (entry (r, g, b) at
// (b x size + g) x size + r), sampled at domainLow + (domainHigh - domainLow) x index / (size - 1) on each
// axis. 1D: size entries, entry i is the output red, green and blue for an input of that value on the
// three channels.
struct LutTable {
    int dimensions = 3; // 1 or 3
    int size = 0;
    double domainLow = 0.0;
    double domainHigh = 1.0;
    std::vector<float> rgb; // three floats per entry
    std::string title;      // one line, for the file's title or description
};

// The file's text. Throws HostError when the format cannot hold the table (a 1D table in spi3d, a 3D
// table in spi1d, an input domain other than 0..1 in spi3d) or when a value is not finite.
std::string lutText(const LutTable& table, LutFormat format);

} // namespace kvhost

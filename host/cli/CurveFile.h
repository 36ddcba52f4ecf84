#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvhost {

// A curve set in its flat text form, as given with --curves: the file's bytes and a terminating NUL,
// ready for the plug-in's own unflatten. Throws HostError naming the file when it cannot be read, is
// empty, is not text, or does not start with the "version" line that every curve set text starts with.
std::vector<std::uint8_t> readCurveFile(const std::string& path);

// The curves a curve set text holds ("curve_NAME LENGTH" blocks) in text order, with the number of
// "point" lines of each.
std::vector<std::pair<std::string, int>> curveNodeCounts(std::string_view text);

// The plug-in's reader skips what it does not know, so a text of the other effect or with too many
// nodes would be taken in part without a word. Comparing the text given with the value read back
// finds that; throws HostError naming the file and the curve.
void checkCurvesRead(const std::string& path, std::string_view given, std::string_view readBack);

} // namespace kvhost

#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kvhost {

// A curve set in its flat text form, as given with --curves: the file's text with CR LF read as LF and
// a terminating NUL, ready for the plug-in's own unflatten. Throws HostError naming the file when it is no
// regular file, is larger than 64 MiB, or is not curve set text (checkCurveSetText).
std::vector<std::uint8_t> readCurveFile(const std::string& path);

} // namespace kvhost

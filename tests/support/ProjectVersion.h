#pragma once
// The version and out-flag words the build gives the plug-ins, for tests that check what a host reads.
#include "editor/CurvesAEHost.h"
#include "framework/PluginVersion.h"

#include <string>

namespace kvtest {

// "1.0.7": major, minor and bugfix as the registration record and kvhost show them.
inline std::string versionText() {
    return std::to_string(korvane::kVersionMajor) + "." + std::to_string(korvane::kVersionMinor) + "." +
           std::to_string(korvane::kVersionBugfix);
}

inline constexpr A_u_long kAbsoluteFlags = A_u_long(korvane::kFrameworkOutFlags | korvane::kCurvesOutFlags);
inline constexpr A_u_long kAbsoluteFlags2 =
    A_u_long(korvane::kFrameworkOutFlags2 | korvane::kCurvesOutFlags2);
inline constexpr A_u_long kRelativeFlags = A_u_long(korvane::kFrameworkOutFlags | korvane::kCurvesOutFlags);
inline constexpr A_u_long kRelativeFlags2 =
    A_u_long(korvane::kFrameworkOutFlags2 | korvane::kCurvesOutFlags2);

} // namespace kvtest

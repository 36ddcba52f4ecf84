#pragma once
// The version and out-flag words the build gives the plug-ins, for tests that check what a host reads.
#include "absolute/AbsoluteCurvesAEHost.h"
#include "framework/PluginVersion.h"
#include "relative/RelativeCurvesAEHost.h"

#include <string>

namespace kvtest {

// "1.0.7": major, minor and bugfix as the registration record and kvhost show them.
inline std::string versionText() {
    return std::to_string(korvane::kVersionMajor) + "." + std::to_string(korvane::kVersionMinor) + "." +
           std::to_string(korvane::kVersionBugfix);
}

inline constexpr A_u_long kAbsoluteFlags = A_u_long(korvane::kFrameworkOutFlags | korvane::kAbsoluteOutFlags);
inline constexpr A_u_long kAbsoluteFlags2 =
    A_u_long(korvane::kFrameworkOutFlags2 | korvane::kAbsoluteOutFlags2);
inline constexpr A_u_long kRelativeFlags = A_u_long(korvane::kFrameworkOutFlags | korvane::kRelativeOutFlags);
inline constexpr A_u_long kRelativeFlags2 =
    A_u_long(korvane::kFrameworkOutFlags2 | korvane::kRelativeOutFlags2);

} // namespace kvtest

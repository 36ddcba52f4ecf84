#pragma once
#include "hostapi/PF_Flags.h"
#include "hostapi/PF_Types.h"

#include <cstdint>

namespace korvane {

#if !defined(KV_VERSION_MAJOR) || !defined(KV_VERSION_MINOR) || !defined(KV_VERSION_BUGFIX)
#error "link kv_version: the project's version comes from the build"
#endif

// Version of both plug-in files, the project's. The registration record and global setup both take it
// from here.
inline constexpr std::int32_t kVersionMajor = KV_VERSION_MAJOR;
inline constexpr std::int32_t kVersionMinor = KV_VERSION_MINOR;
inline constexpr std::int32_t kVersionBugfix = KV_VERSION_BUGFIX;
inline constexpr std::int32_t kVersionStageRelease = 3;
inline constexpr std::int32_t kVersionBuild = 0;

// The host's packing: major in bits 19-21, minor 15-18, bugfix 11-14, stage 9-10, build 0-8.
constexpr A_u_long packEffectVersion(std::int32_t major, std::int32_t minor, std::int32_t bugfix,
                                     std::int32_t stage = kVersionStageRelease,
                                     std::int32_t build = kVersionBuild) {
    return (A_u_long(major & 7) << 19) | (A_u_long(minor & 15) << 15) | (A_u_long(bugfix & 15) << 11) |
           (A_u_long(stage & 3) << 9) | A_u_long(build & 511);
}

inline constexpr A_u_long kEffectVersion = packEffectVersion(kVersionMajor, kVersionMinor, kVersionBugfix);

// Effect specification version the plug-ins are written against (12.2).
inline constexpr A_short kSpecVersionMajor = 12;
inline constexpr A_short kSpecVersionMinor = 2;

// Out flags every effect of the framework reports; effects add their own.
inline constexpr PF_OutFlags kFrameworkOutFlags =
    PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr PF_OutFlags2 kFrameworkOutFlags2 =
    PF_OutFlag2_REVEALS_ZERO_ALPHA | PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;

} // namespace korvane

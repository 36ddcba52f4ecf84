#pragma once
#include "hostapi/PF_Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvhost {

// The registration record of a plug-in file, as the host reads it before loading any code.
struct PluginRecord {
    A_u_long kind = 0; // four-character code, "eFKT" for an effect
    std::string name;
    std::string category;
    std::string entryPointName;
    A_short propertyListMajor = 0;
    A_short propertyListMinor = 0;
    A_short specMajor = 0;
    A_short specMinor = 0;
    A_u_long effectVersion = 0; // the host's packing: major, minor, bugfix, stage, build
    A_short infoFlags = 0;
    A_u_long outFlags = 0;
    A_u_long outFlags2 = 0;
    std::string matchName;
    A_u_long reserved = 0;

    // Parses the 310-byte record; throws HostError naming `path` and what is wrong.
    static PluginRecord parse(const std::vector<std::uint8_t>& bytes, const std::string& path);

    int versionMajor() const { return int((effectVersion >> 19) & 7); }
    int versionMinor() const { return int((effectVersion >> 15) & 15); }
    int versionBugfix() const { return int((effectVersion >> 11) & 15); }
    // "1.0.7"
    std::string versionText() const;
};

// "eFKT" from the 32-bit code.
std::string fourCharText(A_u_long code);

} // namespace kvhost

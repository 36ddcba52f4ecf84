#pragma once
#include "host/HostMemory.h"
#include "hostapi/PF_Types.h"

#include <string>
#include <vector>

namespace kvhost {

// What the host found after one command: its result, and everything the plug-in did not give back.
struct CommandReport {
    std::string command; // "PF_Cmd_SMART_RENDER"
    PF_Err result = 0;
    std::vector<HandleInfo> leakedHandles; // live handles nobody owns
    std::vector<HandleInfo> lockedHandles; // handles still locked
    std::vector<std::string> paramsNotCheckedIn;
    std::vector<std::string> suitesNotReleased;
    // Layer pixels the plug-in did not check in; the host checks them in after a smart render, as the
    // real host does, so these are not faults.
    int layersCheckedInByHost = 0;
    std::vector<std::string> faults; // bad handles, bad indices, calls at the wrong time

    // Nothing left over and no fault (the result code is judged separately).
    bool clean() const {
        return leakedHandles.empty() && lockedHandles.empty() && paramsNotCheckedIn.empty() &&
               suitesNotReleased.empty() && faults.empty();
    }
    // One line per finding, empty when clean.
    std::string describe() const;
};

} // namespace kvhost

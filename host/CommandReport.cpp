#include "host/CommandReport.h"

#include <sstream>

namespace kvhost {

std::string CommandReport::describe() const {
    std::ostringstream text;
    for (const HandleInfo& h : leakedHandles) {
        text << command << ": handle #" << h.serial << " of " << h.size << " bytes leaked\n";
    }
    for (const HandleInfo& h : lockedHandles) {
        text << command << ": handle #" << h.serial << " of " << h.size << " bytes left locked";
        if (!h.owner.empty()) {
            text << " (" << h.owner << ")";
        }
        text << "\n";
    }
    for (const std::string& p : paramsNotCheckedIn) {
        text << command << ": parameter " << p << " not checked in\n";
    }
    for (const std::string& s : suitesNotReleased) {
        text << command << ": suite " << s << " not released\n";
    }
    for (const std::string& f : faults) {
        text << command << ": " << f << "\n";
    }
    return text.str();
}

} // namespace kvhost

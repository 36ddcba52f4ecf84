#pragma once
#include "hostapi/PF_Events.h"

#include <string>
#include <vector>

namespace kvhost {

// One line of an events file: a mouse event in panel pixel coordinates.
struct PanelEvent {
    enum class Kind { Click, Drag, Release, Move, Draw };
    Kind kind = Kind::Draw;
    int x = 0;
    int y = 0;
    PF_Modifiers modifiers = PF_Mod_NONE;
    bool doubleClick = false;
    int line = 0; // in the file, from 1
};

const char* eventName(PanelEvent::Kind kind);

// Parses an events file, one event per line:
//   click X Y [shift] [ctrl] [alt] [double]
//   drag X Y [shift] [ctrl] [alt]
//   release X Y [shift] [ctrl] [alt]    the last drag event of a gesture
//   move X Y [shift] [ctrl] [alt]       adjust-cursor event
//   draw
// Blank lines and lines starting with "#" are skipped; a "#" after the tokens starts a comment. A drag or
// release belongs to the gesture of a click before it. A bad line throws HostError "FILE:LINE: ..." that
// quotes the token at fault.
std::vector<PanelEvent> parseEvents(const std::string& text, const std::string& fileName);
std::vector<PanelEvent> readEventsFile(const std::string& path);

} // namespace kvhost

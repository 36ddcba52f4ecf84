#pragma once
#include "host/EffectInstance.h"
#include "host/cli/EventsFile.h"

#include <ostream>
#include <string>
#include <vector>

namespace kvhost {

// The plug-in's name of a cursor ("pen add"), as the host shows it.
const char* cursorName(PF_CursorType cursor);

// The index of the parameter that registered a custom user interface, -1 when there is none.
int customControl(const EffectInstance& instance);

// Plays panel events on the custom control of an instance as the host sends them: a click starts a gesture
// when the plug-in asks for drag events; drags and a release go to an open gesture only; any other event
// first ends an open gesture with a last drag event at its last position, as when the mouse button is let
// go. An edit in the control is the user's change of that parameter: the plug-in hears of it as of any
// (user-changed-param, update-params-UI).
class EventReplay {
public:
    struct Played {
        bool sent = false; // false: a drag or release without an open gesture
        EventResult result;
        std::vector<int> changed; // parameters the event and the plug-in's own handling changed
    };

    // `fileName` prefixes error messages ("FILE:LINE: "), empty for events not read from a file;
    // `verbose` (or null) gets one line per event with the parameters it changed.
    EventReplay(EffectInstance& instance, int control, std::string fileName, std::ostream* verbose);

    // Throws HostError naming the event when the plug-in fails it.
    Played play(const PanelEvent& event);
    // Ends an open gesture; nothing otherwise.
    void endGesture(int line);
    bool gestureOpen() const { return gestureOpen_; }

private:
    EventRequest requestAt(PF_EventType type, const PanelEvent& event);
    Played send(const EventRequest& request, const PanelEvent& event, const std::string& what);
    void note(int line, const std::string& text);

    EffectInstance& instance_;
    int control_;
    std::string fileName_;
    std::ostream* verbose_;
    bool gestureOpen_ = false;
    PF_Point last_{0, 0};
};

} // namespace kvhost

#include "host/cli/EventReplay.h"

#include "host/HostError.h"
#include "host/cli/TextOutput.h"

#include <algorithm>
#include <iterator>

namespace kvhost {

namespace {

std::string modifierText(PF_Modifiers modifiers) {
    std::string text;
    for (const auto& [flag, word] :
         {std::pair{PF_Mod_SHIFT_KEY, " shift"}, std::pair{PF_Mod_CMD_CTRL_KEY, " ctrl"},
          std::pair{PF_Mod_OPT_ALT_KEY, " alt"}}) {
        text += (modifiers & flag) ? word : "";
    }
    return text;
}

std::string describe(const PanelEvent& event) {
    return std::string(eventName(event.kind)) + " " + std::to_string(event.x) + " " + std::to_string(event.y) +
           modifierText(event.modifiers) + (event.doubleClick ? " double" : "");
}

} // namespace

const char* cursorName(PF_CursorType cursor) {
    static const char* const names[] = {"default",    "custom",     "arrow",        "hollow arrow",
                                        "watch",      "magnify",    "magnify plus", "magnify minus",
                                        "crosshairs", "cross rect", "cross oval",   "cross rotate",
                                        "pan",        "eyedropper", "hand",         "pen",
                                        "pen add",    "pen delete", "pen close",    "pen drag"};
    return cursor >= 0 && cursor < PF_CursorType(std::size(names)) ? names[cursor] : "unknown";
}

int customControl(const EffectInstance& instance) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        if (instance.parameter(i).customUI) {
            return i;
        }
    }
    return -1;
}

EventReplay::EventReplay(EffectInstance& instance, int control, std::string fileName, std::ostream* verbose)
    : instance_(instance), control_(control), fileName_(std::move(fileName)), verbose_(verbose) {}

EventReplay::Played EventReplay::play(const PanelEvent& event) {
    switch (event.kind) {
    case PanelEvent::Kind::Click: {
        endGesture(event.line);
        EventRequest request = requestAt(PF_Event_DO_CLICK, event);
        request.clicks = event.doubleClick ? 2 : 1;
        Played played = send(request, event, describe(event));
        gestureOpen_ = played.result.sendDrag;
        return played;
    }
    case PanelEvent::Kind::Drag:
    case PanelEvent::Kind::Release: {
        if (!gestureOpen_) {
            note(event.line, describe(event) + ": not sent, the click did not ask for drag events");
            return Played{};
        }
        EventRequest request = requestAt(PF_Event_DRAG, event);
        request.lastDrag = event.kind == PanelEvent::Kind::Release;
        Played played = send(request, event, describe(event));
        gestureOpen_ = !request.lastDrag;
        return played;
    }
    case PanelEvent::Kind::Move: {
        endGesture(event.line);
        Played played = send(requestAt(PF_Event_ADJUST_CURSOR, event), event, describe(event));
        note(event.line, std::string("  cursor: ") + cursorName(played.result.cursor));
        return played;
    }
    case PanelEvent::Kind::Draw:
    default:
        endGesture(event.line);
        return send(requestAt(PF_Event_DRAW, event), event, "draw");
    }
}

void EventReplay::endGesture(int line) {
    if (!gestureOpen_) {
        return;
    }
    PanelEvent release;
    release.kind = PanelEvent::Kind::Release;
    release.x = last_.h;
    release.y = last_.v;
    release.line = line;
    EventRequest request = requestAt(PF_Event_DRAG, release);
    request.lastDrag = true;
    // The gesture counts as ended even when the plug-in fails this last event.
    gestureOpen_ = false;
    send(request, release,
         "release " + std::to_string(last_.h) + " " + std::to_string(last_.v) + " (ending the gesture)");
}

EventRequest EventReplay::requestAt(PF_EventType type, const PanelEvent& event) {
    EventRequest request;
    request.type = type;
    request.paramIndex = control_;
    request.point = PF_Point{event.x, event.y};
    request.modifiers = event.modifiers;
    if (type != PF_Event_DRAW) {
        last_ = request.point;
    }
    return request;
}

EventReplay::Played EventReplay::send(const EventRequest& request, const PanelEvent& event,
                                      const std::string& what) {
    Played played;
    played.sent = true;
    played.result = instance_.sendEvent(request);
    const std::string where =
        fileName_.empty() ? std::string() : fileName_ + ":" + std::to_string(event.line) + ": ";
    if (played.result.result != PF_Err_NONE) {
        throw HostError(where + instance_.plugin().path() + " failed the event \"" + what + "\" with error " +
                        errorText(played.result.result));
    }
    std::vector<int>& changed = played.changed;
    changed = instance_.changedParams();
    if (std::find(changed.begin(), changed.end(), control_) != changed.end()) {
        const PF_Err told = instance_.userChangedParam(control_);
        if (told != PF_Err_NONE) {
            throw HostError(where + instance_.plugin().path() +
                            " failed PF_Cmd_USER_CHANGED_PARAM or PF_Cmd_UPDATE_PARAMS_UI with error " +
                            errorText(told));
        }
        for (const int index : instance_.changedParams()) {
            if (std::find(changed.begin(), changed.end(), index) == changed.end()) {
                changed.push_back(index);
            }
        }
    }
    if (verbose_) {
        std::string names;
        for (const int index : changed) {
            names += (names.empty() ? "" : ", ") + std::string("\"") + instance_.parameter(index).name() + "\"";
        }
        *verbose_ << (fileName_.empty() ? std::string("final") : std::to_string(event.line)) << ": " << what
                  << (names.empty() ? "" : "; changed " + names) << "\n";
    }
    return played;
}

void EventReplay::note(int line, const std::string& text) {
    if (verbose_) {
        *verbose_ << line << ": " << text << "\n";
    }
}

} // namespace kvhost

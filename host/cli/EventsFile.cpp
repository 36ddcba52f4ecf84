#include "host/cli/EventsFile.h"

#include "host/HostError.h"
#include "host/InputFile.h"
#include "host/Printable.h"

#include <charconv>
#include <sstream>

namespace kvhost {

namespace {

// Coordinates far outside any panel are surely a typing error.
constexpr long kLargestCoordinate = 1000000;
// An events file is typed or made by a script: a million events is far beyond either.
constexpr int kMostLines = 1000000;
constexpr std::uint64_t kLargestEventsFile = std::uint64_t(16) << 20;

std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}

struct Modifier {
    const char* word;
    PF_Modifiers flag;
};
constexpr Modifier kModifiers[] = {
    {"shift", PF_Mod_SHIFT_KEY}, {"ctrl", PF_Mod_CMD_CTRL_KEY}, {"alt", PF_Mod_OPT_ALT_KEY}};

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> found;
    for (std::string word; in >> word;) {
        found.push_back(word);
    }
    return found;
}

} // namespace

const char* eventName(PanelEvent::Kind kind) {
    switch (kind) {
    case PanelEvent::Kind::Click:
        return "click";
    case PanelEvent::Kind::Drag:
        return "drag";
    case PanelEvent::Kind::Release:
        return "release";
    case PanelEvent::Kind::Move:
        return "move";
    default:
        return "draw";
    }
}

std::vector<PanelEvent> parseEvents(const std::string& text, const std::string& fileName) {
    std::vector<PanelEvent> events;
    std::istringstream in(text);
    bool inGesture = false;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (number > kMostLines) {
            throw HostError(fileName + ": has more than " + std::to_string(kMostLines) + " lines");
        }
        const std::vector<std::string> w = words(line);
        if (w.empty()) {
            continue;
        }
        const std::string where = fileName + ":" + std::to_string(number) + ": ";
        PanelEvent event;
        event.line = number;
        const std::string& verb = w[0];
        if (verb == "click") {
            event.kind = PanelEvent::Kind::Click;
        } else if (verb == "drag") {
            event.kind = PanelEvent::Kind::Drag;
        } else if (verb == "release") {
            event.kind = PanelEvent::Kind::Release;
        } else if (verb == "move") {
            event.kind = PanelEvent::Kind::Move;
        } else if (verb == "draw") {
            event.kind = PanelEvent::Kind::Draw;
        } else {
            throw HostError(where + "unknown event " + quoted(verb) +
                            " (click, drag, release, move or draw)");
        }
        if (event.kind == PanelEvent::Kind::Draw) {
            if (w.size() > 1) {
                throw HostError(where + "unexpected " + quoted(w[1]) + " after \"draw\"");
            }
            inGesture = false;
            events.push_back(event);
            continue;
        }
        if (w.size() < 3) {
            throw HostError(where + quoted(verb) + " needs X and Y");
        }
        for (int axis = 0; axis < 2; ++axis) {
            const std::string& token = w[std::size_t(axis) + 1];
            long value = 0;
            const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
            const std::string which = std::string(axis == 0 ? "X" : "Y") + " of " + quoted(verb);
            if (error == std::errc::result_out_of_range ||
                (error == std::errc() && end == token.data() + token.size() &&
                 (value < -kLargestCoordinate || value > kLargestCoordinate))) {
                throw HostError(where + quoted(token) + " lies outside the panel coordinates kvhost takes (" +
                                std::to_string(-kLargestCoordinate) + " to " +
                                std::to_string(kLargestCoordinate) + "; " + which + ")");
            }
            if (error != std::errc() || end != token.data() + token.size()) {
                throw HostError(where + quoted(token) + " is not a whole number of pixels (" + which + ")");
            }
            (axis == 0 ? event.x : event.y) = int(value);
        }
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::string& token = w[i];
            bool known = false;
            for (const Modifier& m : kModifiers) {
                if (token == m.word) {
                    if (event.modifiers & m.flag) {
                        throw HostError(where + quoted(token) + " given twice");
                    }
                    event.modifiers |= m.flag;
                    known = true;
                }
            }
            if (!known && token == "double" && event.kind == PanelEvent::Kind::Click) {
                if (event.doubleClick) {
                    throw HostError(where + quoted(token) + " given twice");
                }
                event.doubleClick = true;
                known = true;
            }
            if (!known) {
                throw HostError(where + "unknown word " + quoted(token) + " after " + quoted(verb) + " (" +
                                (event.kind == PanelEvent::Kind::Click ? "shift, ctrl, alt or double"
                                                                       : "shift, ctrl or alt") +
                                ")");
            }
        }
        if (event.kind == PanelEvent::Kind::Drag || event.kind == PanelEvent::Kind::Release) {
            if (!inGesture) {
                throw HostError(where + quoted(verb) + " without a click before it");
            }
            inGesture = event.kind == PanelEvent::Kind::Drag;
        } else {
            inGesture = event.kind == PanelEvent::Kind::Click; // any other event ends a gesture
        }
        events.push_back(event);
    }
    return events;
}

std::vector<PanelEvent> readEventsFile(const std::string& path) {
    return parseEvents(withLineFeeds(readInputFile(path, kLargestEventsFile, "an events file")), path);
}

} // namespace kvhost

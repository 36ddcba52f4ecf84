#include "host/cli/EventsFile.h"

#include "host/HostError.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvhost {

namespace {

// Coordinates far outside any panel are surely a typing error.
constexpr long kLargestCoordinate = 1000000;

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
            throw HostError(where + "unknown event \"" + verb + "\" (click, drag, release, move or draw)");
        }
        if (event.kind == PanelEvent::Kind::Draw) {
            if (w.size() > 1) {
                throw HostError(where + "unexpected \"" + w[1] + "\" after \"draw\"");
            }
            inGesture = false;
            events.push_back(event);
            continue;
        }
        if (w.size() < 3) {
            throw HostError(where + "\"" + verb + "\" needs X and Y");
        }
        for (int axis = 0; axis < 2; ++axis) {
            const std::string& token = w[std::size_t(axis) + 1];
            long value = 0;
            const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
            if (error != std::errc() || end != token.data() + token.size() || value < -kLargestCoordinate ||
                value > kLargestCoordinate) {
                throw HostError(where + "\"" + token + "\" is not a whole number of pixels (" +
                                (axis == 0 ? "X" : "Y") + " of \"" + verb + "\")");
            }
            (axis == 0 ? event.x : event.y) = int(value);
        }
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::string& token = w[i];
            bool known = false;
            for (const Modifier& m : kModifiers) {
                if (token == m.word) {
                    if (event.modifiers & m.flag) {
                        throw HostError(where + "\"" + token + "\" given twice");
                    }
                    event.modifiers |= m.flag;
                    known = true;
                }
            }
            if (!known && token == "double" && event.kind == PanelEvent::Kind::Click) {
                if (event.doubleClick) {
                    throw HostError(where + "\"" + token + "\" given twice");
                }
                event.doubleClick = true;
                known = true;
            }
            if (!known) {
                throw HostError(where + "unknown word \"" + token + "\" after \"" + verb + "\" (" +
                                (event.kind == PanelEvent::Kind::Click ? "shift, ctrl, alt or double"
                                                                       : "shift, ctrl or alt") +
                                ")");
            }
        }
        if (event.kind == PanelEvent::Kind::Drag || event.kind == PanelEvent::Kind::Release) {
            if (!inGesture) {
                throw HostError(where + "\"" + verb + "\" without a click before it");
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
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw HostError(path + ": no such file");
    }
    if (std::filesystem::is_directory(path, error)) {
        throw HostError(path + ": is a folder, not an events file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError(path + ": cannot be read");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseEvents(text.str(), path);
}

} // namespace kvhost

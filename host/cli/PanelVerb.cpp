#include "host/cli/PanelVerb.h"

#include "host/EffectInstance.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PluginFile.h"
#include "host/cli/EffectStart.h"
#include "host/cli/EventsFile.h"
#include "host/cli/TextOutput.h"

#include <optional>

namespace kvhost {

namespace {

constexpr const char* kDescription =
    "Draw the effect's curve editor panel as the host shows it, after replaying mouse events.\n"
    "Events file, one event per line, in panel pixels (the frame starts at 0, 0):\n"
    "  click X Y [shift] [ctrl] [alt] [double]\n"
    "  drag X Y [shift] [ctrl] [alt]\n"
    "  release X Y [shift] [ctrl] [alt]   the last drag event of a gesture\n"
    "  move X Y [shift] [ctrl] [alt]      adjust-cursor event\n"
    "  draw\n"
    "Blank lines and # comments are skipped. Drag events are sent only after a click that asks for them;\n"
    "a gesture that is not released is ended with a last drag event at its last position.\n"
    "The output is an 8-bit RGB PNG of the whole frame (RGBA when the panel has transparent pixels).\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

const char* cursorName(PF_CursorType cursor) {
    static const char* const names[] = {"default",    "custom",     "arrow",        "hollow arrow",
                                        "watch",      "magnify",    "magnify plus", "magnify minus",
                                        "crosshairs", "cross rect", "cross oval",   "cross rotate",
                                        "pan",        "eyedropper", "hand",         "pen",
                                        "pen add",    "pen delete", "pen close",    "pen drag"};
    return cursor >= 0 && cursor < PF_CursorType(std::size(names)) ? names[cursor] : "unknown";
}

std::string modifierText(PF_Modifiers modifiers) {
    std::string text;
    for (const auto& [flag, word] :
         {std::pair{PF_Mod_SHIFT_KEY, " shift"}, std::pair{PF_Mod_CMD_CTRL_KEY, " ctrl"},
          std::pair{PF_Mod_OPT_ALT_KEY, " alt"}}) {
        text += (modifiers & flag) ? word : "";
    }
    return text;
}

// Replays the events of one file on the control, as the host sends them.
class EventReplay {
public:
    EventReplay(EffectInstance& instance, int control, std::string fileName, std::ostream* verbose)
        : instance_(instance), control_(control), fileName_(std::move(fileName)), verbose_(verbose) {}

    void play(const PanelEvent& event) {
        switch (event.kind) {
        case PanelEvent::Kind::Click: {
            endGesture(event.line);
            EventRequest request = requestAt(PF_Event_DO_CLICK, event);
            request.clicks = event.doubleClick ? 2 : 1;
            const EventResult result = send(request, event, describe(event));
            gestureOpen_ = result.sendDrag;
            break;
        }
        case PanelEvent::Kind::Drag:
        case PanelEvent::Kind::Release:
            if (!gestureOpen_) {
                note(event.line, describe(event) + ": not sent, the click did not ask for drag events");
                break;
            }
            {
                EventRequest request = requestAt(PF_Event_DRAG, event);
                request.lastDrag = event.kind == PanelEvent::Kind::Release;
                send(request, event, describe(event));
                gestureOpen_ = !request.lastDrag;
            }
            break;
        case PanelEvent::Kind::Move: {
            endGesture(event.line);
            const EventResult result = send(requestAt(PF_Event_ADJUST_CURSOR, event), event, describe(event));
            note(event.line, std::string("  cursor: ") + cursorName(result.cursor));
            break;
        }
        case PanelEvent::Kind::Draw:
            endGesture(event.line);
            send(requestAt(PF_Event_DRAW, event), event, "draw");
            break;
        }
    }

    // A gesture still open is ended with a last drag event at its last position, as when the mouse button
    // is let go.
    void endGesture(int line) {
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
        send(request, release,
             "release " + std::to_string(last_.h) + " " + std::to_string(last_.v) + " (ending the gesture)");
        gestureOpen_ = false;
    }

private:
    static std::string describe(const PanelEvent& event) {
        return std::string(eventName(event.kind)) + " " + std::to_string(event.x) + " " +
               std::to_string(event.y) + modifierText(event.modifiers) + (event.doubleClick ? " double" : "");
    }

    EventRequest requestAt(PF_EventType type, const PanelEvent& event) {
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

    EventResult send(const EventRequest& request, const PanelEvent& event, const std::string& what) {
        const EventResult result = instance_.sendEvent(request);
        const std::string where =
            fileName_.empty() ? std::string() : fileName_ + ":" + std::to_string(event.line) + ": ";
        if (result.result != PF_Err_NONE) {
            throw HostError(where + instance_.plugin().path() + " failed the event \"" + what +
                            "\" with error " + errorText(result.result));
        }
        std::vector<int> changed = instance_.changedParams();
        // An edit in the control is the user's change of that parameter: the plug-in hears of it as of any.
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
                names += (names.empty() ? "" : ", ") + std::string("\"") + instance_.parameter(index).name() +
                         "\"";
            }
            *verbose_ << (fileName_.empty() ? std::string("final") : std::to_string(event.line)) << ": "
                      << what << (names.empty() ? "" : "; changed " + names) << "\n";
        }
        return result;
    }

    void note(int line, const std::string& text) {
        if (verbose_) {
            *verbose_ << line << ": " << text << "\n";
        }
    }

    EffectInstance& instance_;
    int control_;
    std::string fileName_;
    std::ostream* verbose_;
    bool gestureOpen_ = false;
    PF_Point last_{0, 0};
};

} // namespace

CLI::App* PanelVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("panel", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("OUTPUT", output_, "panel image file (PNG)")->required();
    verb->add_option("--project", project_, "start from a saved project");
    verb->add_option("--save-project", saveProject_, "write a project after the events");
    verb->add_option("--width", width_, "width of the control's frame in pixels (default 600)")
        ->check(CLI::Range(1, 16384));
    verb->add_option("--height", height_,
                     "height of the control's frame; default: the height the control asks for")
        ->check(CLI::Range(1, 16384));
    verb->add_option("--events", events_, "mouse events replayed in order before the final draw");
    verb->add_option("--render", render_,
                     "an image rendered after the events, as the host renders after an edit, so that the "
                     "panel shows the histograms the render leaves (at the image's own depth)");
    verb->add_flag("--verbose", verbose_, "print each event with the cursor and the parameters it changed");
    return verb;
}

int PanelVerb::run(std::ostream& out, std::ostream& err) {
    const OutputImageFile output(output_); // the folder and the format, before any work
    if (!saveProject_.empty()) {
        FileReplacement::checkFolder(saveProject_);
    }
    const std::vector<PanelEvent> events =
        events_.empty() ? std::vector<PanelEvent>() : readEventsFile(events_);

    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{project_, 0.0, 0});
    int control = -1;
    for (int i = 1; i < instance->parameterCount() && control < 0; ++i) {
        control = instance->parameter(i).customUI ? i : -1;
    }
    if (control < 0) {
        throw HostError(plugin.path() + ": has no control of its own to draw (no custom user interface)");
    }
    const int controlHeight = instance->parameter(control).registered().ui_height;
    instance->setPanelSize(width_, height_ > 0 ? height_ : controlHeight > 0 ? controlHeight : 340);

    EventReplay replay(*instance, control, events_, verbose_ ? &out : nullptr);
    for (const PanelEvent& event : events) {
        replay.play(event);
    }
    replay.endGesture(events.empty() ? 0 : events.back().line);
    if (!render_.empty()) {
        InputImageFile input(render_);
        RenderRequest request;
        request.depth = input.depth();
        request.input = std::make_shared<const HostImage>(input.read(request.depth));
        const RenderResult rendered = instance->renderSmart(request);
        if (rendered.result != PF_Err_NONE) {
            throw HostError(plugin.path() + ": the render of " + render_ + " failed with error " +
                            errorText(rendered.result));
        }
    }
    EventReplay final(*instance, control, std::string(), verbose_ ? &out : nullptr);
    final.play(PanelEvent{});

    std::optional<FileReplacement> projectFile;
    if (!saveProject_.empty()) {
        projectFile.emplace(saveProject_);
        projectFile->write(projectText(*instance));
    }
    const HostPanel& panel = instance->panel();
    FileReplacement image(output_);
    writeBgraImageFile(image, panel.bytes().data(), panel.width(), panel.height(),
                       std::size_t(panel.width()) * 4);
    image.commit();
    if (projectFile) {
        projectFile->commit();
    }
    const std::string problems = instance->problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost

#include "host/cli/PanelVerb.h"

#include "host/EffectInstance.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PluginFile.h"
#include "host/cli/CommonOptions.h"
#include "host/cli/CurvePoints.h"
#include "host/cli/EffectStart.h"
#include "host/cli/EventReplay.h"
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
    "Before the events: --project, then --curves (docs/curve-text.md), then --points, e.g.\n"
    "--points \"rgb=0,0 0.3,0.22 0.7,0.8 1,1\" (the effect's editor adds the nodes).\n"
    "The output is an 8-bit RGB PNG of the whole frame (RGBA when the panel has transparent pixels),\n"
    "written whole or not at all.\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

} // namespace

CLI::App* PanelVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("panel", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("OUTPUT", output_, "panel image file (PNG)")->required();
    verb->add_option("--project", project_, "start from a saved project");
    verb->add_option("--save-project", saveProject_, "write a project after the events");
    verb->add_option("--curves", curves_,
                     std::string("curve set in its stored text form, as the \"curve\" value (") +
                         kCurveTextDoc + ")");
    verb->add_option("--points", points_, kPointsHelp)->allow_extra_args(false);
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
    addLargestImageOption(*verb, largestMegapixels_);
    return verb;
}

int PanelVerb::run(std::ostream& out, std::ostream& err) {
    applyLargestImage(largestMegapixels_);
    const OutputImageFile output(output_, "png"); // the folder and the format, before any work
    if (!saveProject_.empty()) {
        FileReplacement::checkDestination(saveProject_);
    }
    const std::vector<PanelEvent> events =
        events_.empty() ? std::vector<PanelEvent>() : readEventsFile(events_);
    std::vector<CurvePoints> points;
    for (const std::string& text : points_) {
        points.push_back(parseCurvePoints(text));
    }
    std::optional<InputImageFile> renderInput;
    if (!render_.empty()) {
        renderInput.emplace(render_);
        printWarnings(err, *renderInput);
    }
    const int renderDepth = renderInput ? renderInput->depth() : 8;

    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{project_, 0.0, 0, layerReaderAt(renderDepth, err)});
    if (!curves_.empty()) {
        applyCurveFile(*instance, curves_);
    }
    for (const CurvePoints& curve : points) {
        buildCurvePoints(*instance, curve);
    }
    const int control = customControl(*instance);
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
    if (renderInput) {
        RenderRequest request;
        request.depth = renderDepth;
        request.input = std::make_shared<const HostImage>(renderInput->read(request.depth));
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
        projectFile->write(projectText(*instance, saveProject_));
    }
    const HostPanel& panel = instance->panel();
    FileReplacement image(output_);
    output.writeBgra(image, panel.bytes().data(), panel.width(), panel.height(),
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

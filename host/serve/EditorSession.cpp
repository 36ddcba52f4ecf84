#include "host/serve/EditorSession.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PngBytes.h"
#include "host/Project.h"
#include "host/cli/EffectStart.h"
#include "host/cli/HistogramFile.h"
#include "host/cli/TextOutput.h"
#include "host/serve/ParameterJson.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace kvhost {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kControlHeight = 340; // when the control does not ask for a height
constexpr int kLargestDownsampling = 64;

// A file name the upload folder can hold: the last part of `name`, in characters that need no quoting.
std::string uploadName(const std::string& name) {
    std::string base = fs::path(name).filename().string();
    std::string safe;
    for (const char c : base) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' || c == ' ';
        safe += plain ? c : '_';
    }
    return safe.empty() || safe == "." || safe == ".." ? std::string("project.json") : safe;
}

std::string withoutFolder(std::string text, const std::string& folder) {
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
        text.erase(at, folder.size());
    }
    return text;
}

} // namespace

EditorSession::EditorSession(const PluginFile& plugin, SessionSettings settings)
    : plugin_(plugin), settings_(std::move(settings)) {
    if (!settings_.saveProjectPath.empty()) {
        FileReplacement::checkDestination(settings_.saveProjectPath);
    }
    InputImageFile input(settings_.inputPath);
    depth_ = settings_.depth != 0 ? settings_.depth : input.depth();
    if (depth_ != 8 && depth_ != 16 && depth_ != 32) {
        throw HostError("--depth " + std::to_string(depth_) + ": 8, 16 or 32");
    }
    input_ = std::make_shared<const HostImage>(input.read(depth_));

    std::unique_ptr<EffectInstance> instance = startFresh(settings_.projectPath);
    const int control = customControl(*instance);
    if (control < 0) {
        throw HostError(plugin_.path() + ": has no control of its own to draw (no custom user interface)");
    }
    const int asked = instance->parameter(control).registered().ui_height;
    panelHeight_ = asked > 0 ? asked : kControlHeight;
    for (const ParameterSetting& layer : settings_.layers) {
        const int index = findParameter(*instance, layer.name, "--layer");
        if (instance->parameter(index).type() != PF_Param_LAYER) {
            throw HostError("--layer \"" + layer.name + "=" + layer.value + "\": \"" + layer.name +
                            "\" is not a layer parameter");
        }
        std::string label = fs::path(layer.value).filename().string();
        for (int n = 2; layerFile(label) || label.empty(); ++n) {
            label = fs::path(layer.value).filename().string() + " (" + std::to_string(n) + ")";
        }
        InputImageFile file(layer.value);
        layerFiles_.push_back(LayerFile{label, layer.value, std::make_shared<const HostImage>(file.read(depth_))});
        layerChoice_[index] = label;
    }

    std::string folder = (fs::temp_directory_path() / "kvhost-serve-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        throw HostError("cannot make a folder for uploaded projects in " + fs::temp_directory_path().string() +
                        ": " + std::strerror(errno));
    }
    uploads_ = folder;
    adopt(std::move(instance));
    history_.reset(snapshot());
    savedProject_ = history_.current().project;
}

EditorSession::~EditorSession() {
    replay_.reset();
    instance_.reset();
    std::error_code ignored;
    fs::remove_all(uploads_, ignored);
}

std::unique_ptr<EffectInstance> EditorSession::startFresh(const std::string& projectPath) const {
    const double seconds = instance_ ? instance_->currentSeconds() : 0.0;
    return startEffect(plugin_, EffectStart{projectPath, seconds, settings_.processors});
}

void EditorSession::told(PF_Err result, const std::string& what) const {
    if (result != PF_Err_NONE) {
        throw HostError(plugin_.path() + ": " + what + " failed with error " + errorText(result));
    }
}

// ---- instances ------------------------------------------------------------------------------

void EditorSession::adopt(std::unique_ptr<EffectInstance> fresh) {
    for (const auto& [index, label] : layerChoice_) {
        const LayerFile* file = layerFile(label);
        fresh->setLayer(index, file ? file->image : nullptr);
    }
    fresh->setPanelSize(panelWidth_, panelHeight_);
    told(fresh->updateParamsUI(), "PF_Cmd_UPDATE_PARAMS_UI");
    std::unique_ptr<EffectInstance> old = std::move(instance_);
    instance_ = std::move(fresh);
    control_ = customControl(*instance_);
    replay_ = std::make_unique<EventReplay>(*instance_, control_, std::string(), nullptr);
    if (old) {
        old->setDown();
        retiredProblems_ += old->problems();
    }
    lastPreview_.reset();
    ++version_;
    drawPanel();
}

EditorSnapshot EditorSession::snapshot() {
    EditorSnapshot s;
    const bool unflat = instance_->sequenceData() && !instance_->sequenceIsFlat();
    if (unflat) {
        s.sequence = instance_->memory().bytes(instance_->sequenceData());
    }
    s.project = Project::save(*instance_);
    if (unflat) {
        // Saving sets the sequence data up from its flat form, which leaves out the selection and the
        // histograms; the record as the plug-in held it is handed back, as the host hands back sequence
        // data it kept unflattened.
        told(instance_->resetupSequence(s.sequence), "PF_Cmd_SEQUENCE_RESETUP");
    }
    s.layers = layerChoice_;
    return s;
}

void EditorSession::commit() {
    history_.record(snapshot());
    instance_->clearParamUIUpdates();
}

void EditorSession::restore(const EditorSnapshot& snapshot) {
    std::unique_ptr<EffectInstance> fresh = startFresh(std::string());
    Project::load(*fresh, snapshot.project);
    if (!snapshot.sequence.empty()) {
        told(fresh->resetupSequence(snapshot.sequence), "PF_Cmd_SEQUENCE_RESETUP");
    }
    layerChoice_ = snapshot.layers;
    adopt(std::move(fresh));
}

// ---- the panel ------------------------------------------------------------------------------

void EditorSession::drawPanel() {
    EventRequest draw;
    draw.type = PF_Event_DRAW;
    draw.paramIndex = control_;
    const EventResult result = instance_->sendEvent(draw);
    told(result.result, "the draw event");
    capturePanel();
}

void EditorSession::capturePanel() {
    const HostPanel& shown = instance_->panel();
    if (shown.bytes() == panelBytes_ && panel_.width == shown.width() && !panel_.png.empty()) {
        return;
    }
    panelBytes_ = shown.bytes();
    panel_.png = pngFromBgra(panelBytes_.data(), shown.width(), shown.height(), std::size_t(shown.width()) * 4);
    panel_.width = shown.width();
    panel_.height = shown.height();
    ++panel_.version;
}

void EditorSession::resizePanel(int width) {
    endGesture();
    panelWidth_ = std::clamp(width, kMinimumPanelWidth, kWidestPanel);
    if (panelWidth_ == instance_->panel().width()) {
        return;
    }
    instance_->setPanelSize(panelWidth_, panelHeight_);
    drawPanel();
}

// ---- edits ----------------------------------------------------------------------------------

EditorSession::EventOutcome EditorSession::event(const PanelEvent& event) {
    const bool wasOpen = replay_->gestureOpen();
    const EventReplay::Played played = replay_->play(event);
    EventOutcome outcome;
    outcome.sent = played.sent;
    outcome.changedValue = !played.changed.empty();
    if (event.kind == PanelEvent::Kind::Move) {
        outcome.cursor = cursorName(played.result.cursor);
    }
    if (outcome.changedValue || (wasOpen && !replay_->gestureOpen())) {
        ++version_;
    }
    capturePanel();
    const bool mouse = event.kind == PanelEvent::Kind::Click || event.kind == PanelEvent::Kind::Release;
    if (!replay_->gestureOpen() && (wasOpen || mouse)) {
        commit();
    }
    instance_->clearParamUIUpdates();
    return outcome;
}

void EditorSession::endGesture() {
    if (!replay_->gestureOpen()) {
        return;
    }
    replay_->endGesture(0);
    ++version_;
    capturePanel();
    commit();
}

void EditorSession::setParameter(const std::string& name, const json& value) {
    endGesture();
    const int index = findParameter(*instance_, name, "parameter");
    const HostParameter& p = instance_->parameter(index);
    if (p.type() == PF_Param_LAYER) {
        if (!value.is_string() || (!value.get<std::string>().empty() && !layerFile(value.get<std::string>()))) {
            std::string labels;
            for (const LayerFile& file : layerFiles_) {
                labels += ", \"" + file.label + "\"";
            }
            throw HostError("\"" + name + "\": " + value.dump() + " is none of the --layer files (\"\" for none" +
                            labels + ")");
        }
        const LayerFile* file = layerFile(value.get<std::string>());
        instance_->setLayer(index, file ? file->image : nullptr);
        layerChoice_[index] = file ? file->label : std::string();
        told(instance_->userChangedParam(index), "PF_Cmd_USER_CHANGED_PARAM or PF_Cmd_UPDATE_PARAMS_UI");
    } else {
        applySetting(*instance_, ParameterSetting{name, settingText(p, value)});
    }
    ++version_;
    drawPanel();
    commit();
}

void EditorSession::setTime(double seconds) {
    endGesture();
    const double duration = double(instance_->totalTime()) / double(instance_->timeScale());
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds > duration) {
        throw HostError("time " + json(seconds).dump() + " s is outside 0 to " + json(duration).dump() + " s");
    }
    instance_->setCurrentSeconds(seconds);
    told(instance_->updateParamsUI(), "PF_Cmd_UPDATE_PARAMS_UI");
    instance_->clearParamUIUpdates();
    ++version_;
    drawPanel();
}

void EditorSession::keyframe(const std::string& name, KeyframeAction action, double seconds, double to) {
    endGesture();
    const int index = findParameter(*instance_, name, "keyframe");
    switch (action) {
    case KeyframeAction::Add:
        instance_->addKeyframe(index, seconds);
        break;
    case KeyframeAction::Remove:
        instance_->removeKeyframe(index, seconds);
        break;
    case KeyframeAction::Move:
        instance_->moveKeyframe(index, seconds, to);
        break;
    }
    told(instance_->updateParamsUI(), "PF_Cmd_UPDATE_PARAMS_UI");
    ++version_;
    drawPanel();
    commit();
}

bool EditorSession::undo() {
    endGesture();
    const EditorSnapshot* state = history_.undo();
    if (state) {
        restore(*state);
    }
    return state != nullptr;
}

bool EditorSession::redo() {
    endGesture();
    const EditorSnapshot* state = history_.redo();
    if (state) {
        restore(*state);
    }
    return state != nullptr;
}

// ---- the preview ----------------------------------------------------------------------------

const EditorSession::LayerFile* EditorSession::layerFile(const std::string& label) const {
    for (const LayerFile& file : layerFiles_) {
        if (file.label == label) {
            return &file;
        }
    }
    return nullptr;
}

const EditorSession::Sources& EditorSession::sourcesAt(int downsample) {
    Sources& sources = sources_[downsample];
    if (!sources.input) {
        sources.input = downsample == 1 ? input_
                                        : std::make_shared<const HostImage>(input_->downsampled(downsample, downsample));
        for (const LayerFile& file : layerFiles_) {
            sources.layers[file.label] =
                downsample == 1 ? file.image
                                : std::make_shared<const HostImage>(file.image->downsampled(downsample, downsample));
        }
    }
    return sources;
}

PreviewPicture EditorSession::preview(const PreviewRequest& request) {
    int downsample = 1;
    if (!request.fullSize) {
        // The coarsest downsampling whose picture is still at least as large as the view shows it when
        // fitted whole: the page scales it down, never up.
        const int width = std::max(1, request.width);
        const int height = std::max(1, request.height);
        downsample = std::clamp(std::max(input_->width() / width, input_->height() / height), 1,
                                kLargestDownsampling);
    }
    if (lastPreview_ && lastPreview_->version == version_ && lastPreview_->downsample == downsample &&
        lastPreview_->before == request.before) {
        return *lastPreview_;
    }
    const Sources& sources = sourcesAt(downsample);
    PreviewPicture picture;
    picture.version = version_;
    picture.downsample = downsample;
    picture.before = request.before;
    if (request.before) {
        picture.png = pngFromImage(*sources.input);
        picture.width = sources.input->width();
        picture.height = sources.input->height();
    } else {
        RenderRequest render;
        render.input = sources.input;
        render.depth = depth_;
        render.downsampleX = PF_RationalScale{1, A_u_long(downsample)};
        render.downsampleY = PF_RationalScale{1, A_u_long(downsample)};
        for (const auto& [index, label] : layerChoice_) {
            const auto found = sources.layers.find(label);
            if (found != sources.layers.end()) {
                render.layers[index] = found->second;
            }
        }
        const RenderResult rendered = instance_->renderSmart(render);
        told(rendered.result, "the render");
        if (rendered.output.empty()) {
            throw HostError(plugin_.path() + ": the render produced no pixels");
        }
        picture.png = pngFromImage(rendered.output);
        picture.width = rendered.output.width();
        picture.height = rendered.output.height();
        if (instance_->sequenceData()) {
            try {
                const SequenceHistograms histograms = SequenceHistograms::read(
                    instance_->memory().bytes(instance_->sequenceData()), plugin_.path());
                if (histograms.mode != 0 && histograms.pixels > 0) {
                    picture.histogram = histograms.toJson();
                }
            } catch (const HostError&) {
                // Sequence data of another layout holds no histograms.
            }
        }
        drawPanel(); // the histograms the render left
    }
    lastPreview_ = picture;
    return picture;
}

// ---- projects -------------------------------------------------------------------------------

EditorSession::SavedProject EditorSession::saveProject() {
    endGesture();
    commit();
    SavedProject saved;
    saved.text = history_.current().project.dump(2) + "\n";
    if (!settings_.saveProjectPath.empty()) {
        FileReplacement file(settings_.saveProjectPath);
        file.write(saved.text);
        file.commit();
        saved.path = settings_.saveProjectPath;
    }
    savedProject_ = history_.current().project;
    return saved;
}

void EditorSession::openProject(const std::string& text, const std::string& name) {
    endGesture();
    const fs::path file = uploads_ / uploadName(name);
    struct Removal {
        fs::path path;
        ~Removal() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } removal{file};
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            throw HostError("cannot keep the project being opened in " + uploads_.string());
        }
    }
    std::unique_ptr<EffectInstance> fresh;
    try {
        fresh = startFresh(file.string());
    } catch (const HostError& error) {
        throw HostError(withoutFolder(error.what(), uploads_.string() + "/"));
    }
    adopt(std::move(fresh));
    commit();
    savedProject_ = history_.current().project;
}

// ---- state ----------------------------------------------------------------------------------

json EditorSession::state() const {
    const double seconds = instance_->currentSeconds();
    json parameters = json::array();
    for (int i = 1; i < instance_->parameterCount(); ++i) {
        const HostParameter& p = instance_->parameter(i);
        json described = describeParameter(p, seconds);
        if (p.type() == PF_Param_LAYER) {
            json choices = json::array({""});
            for (const LayerFile& file : layerFiles_) {
                choices.push_back(file.label);
            }
            described["choices"] = choices;
            const auto chosen = layerChoice_.find(i);
            described["value"] = chosen == layerChoice_.end() ? std::string() : chosen->second;
        }
        parameters.push_back(described);
    }
    return json{{"effect", plugin_.record().name},
                {"matchName", plugin_.record().matchName},
                {"plugin", plugin_.path()},
                {"input",
                 {{"path", settings_.inputPath},
                  {"width", input_->width()},
                  {"height", input_->height()},
                  {"depth", depth_}}},
                {"version", version_},
                {"gesture", replay_->gestureOpen()},
                {"time", seconds},
                {"duration", double(instance_->totalTime()) / double(instance_->timeScale())},
                {"frameDuration", double(instance_->timeStep()) / double(instance_->timeScale())},
                {"undo", history_.undoCount()},
                {"redo", history_.redoCount()},
                {"saveProject", settings_.saveProjectPath},
                {"unsaved", unsaved()},
                {"panel",
                 {{"width", panel_.width},
                  {"height", panel_.height},
                  {"minWidth", kMinimumPanelWidth},
                  {"maxWidth", kWidestPanel},
                  {"version", panel_.version}}},
                {"parameters", parameters}};
}

std::string EditorSession::finish() {
    std::string problems;
    if (!instance_) {
        return problems;
    }
    try {
        endGesture();
    } catch (const HostError& error) {
        problems += std::string(error.what()) + "\n";
    }
    replay_.reset();
    if (instance_) {
        instance_->setDown();
        problems += retiredProblems_ + instance_->problems();
        instance_.reset();
    }
    return problems;
}

} // namespace kvhost

#pragma once
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "host/cli/EventReplay.h"
#include "host/cli/EventsFile.h"
#include "host/cli/ParameterSetting.h"
#include "host/serve/EditorHistory.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// What `kvhost serve` was started with.
struct SessionSettings {
    std::string inputPath;
    std::vector<ParameterSetting> layers; // NAME=FILE of each --layer
    std::string projectPath;              // empty: a new effect
    std::string saveProjectPath;          // empty: saving only offers the project as a download
    int depth = 0;                        // 0: the input file's
    int processors = 0;                   // 0: the machine's
};

struct PanelPicture {
    std::string png;
    int width = 0;
    int height = 0;
    std::uint64_t version = 0; // changes whenever the panel's pixels do
};

struct PreviewRequest {
    int width = 0; // the view in pixels: downsampled as far as the picture still fills it
    int height = 0;
    bool fullSize = false;
    bool before = false; // the input as it is, downsampled alike
};

struct PreviewPicture {
    std::string png;
    int width = 0;
    int height = 0;
    int downsample = 1;        // rendered at 1/downsample of the input's size
    std::uint64_t version = 0; // the edit it shows (EditorSession::version())
    bool before = false;
    nlohmann::json histogram; // the histograms the render left for the editor; null when it left none
};

// One effect instance edited as a person does in a compositing application: mouse events on its panel,
// parameter changes, time and keyframes, undo and redo, projects saved and opened, and renders of the input
// as the preview. Every change ends with its state recorded for undo; undo, redo and opening a project set
// up a new instance from a recorded state or the project, so that a project that fails its checks leaves
// the instance as it was. Not thread-safe: one caller at a time.
class EditorSession {
public:
    // The narrowest panel the editor draws within its frame.
    static constexpr int kMinimumPanelWidth = 280;
    static constexpr int kWidestPanel = 4096;

    // Reads the input and the layer files, sets the effect up (from the project when given) and draws the
    // panel. Throws HostError naming the file, parameter or value at fault.
    EditorSession(const PluginFile& plugin, SessionSettings settings);
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // The effect, the input, every parameter with its value at the current time, the time, what undo and
    // redo can do, the versions of the panel and of the edit.
    nlohmann::json state() const;
    const PanelPicture& panel() const { return panel_; }
    // A new frame width (clamped to kMinimumPanelWidth..kWidestPanel), drawn.
    void resizePanel(int width);

    struct EventOutcome {
        bool sent = false;        // false: a drag or release that belongs to no gesture
        std::string cursor;       // the cursor asked for by an adjust-cursor event, else empty
        bool changedValue = false; // the event changed a parameter
    };
    EventOutcome event(const PanelEvent& event);
    bool gestureOpen() const { return replay_ && replay_->gestureOpen(); }
    // Ends an open gesture as the mouse button let go at its last position (a page that went away).
    void endGesture();

    // A parameter by its name: a popup by number or item text, a checkbox true/false, a number, a colour
    // [r, g, b, a]; a layer by the label of one of the --layer files, "" for none.
    void setParameter(const std::string& name, const nlohmann::json& value);
    void setTime(double seconds);
    enum class KeyframeAction { Add, Remove, Move };
    void keyframe(const std::string& name, KeyframeAction action, double seconds, double to);
    bool undo();
    bool redo();
    std::size_t undoSteps() const { return history_.undoCount(); }
    std::size_t redoSteps() const { return history_.redoCount(); }

    // Renders (or reuses the last render of the same edit at the same size).
    PreviewPicture preview(const PreviewRequest& request);

    struct SavedProject {
        std::string text;
        std::string path; // where it was written, empty when only offered as a download
    };
    SavedProject saveProject();
    // The project's text, checked as `kvhost render --project` checks a file; `name` stands for the file
    // in messages. Throws HostError with the message the command line gives; the instance stays as it was.
    void openProject(const std::string& text, const std::string& name);

    // Changes the render would show differently: bumped by every edit, time change and restore.
    std::uint64_t version() const { return version_; }
    bool unsaved() const { return history_.current().project != savedProject_; }

    // Ends a gesture, sets every instance down and returns what the plug-in did not give back (empty when
    // everything was). The session is unusable afterwards.
    std::string finish();

private:
    struct LayerFile {
        std::string label;
        std::string path;
        std::shared_ptr<const HostImage> image; // at the render depth
    };
    struct Sources {
        std::shared_ptr<const HostImage> input;
        std::map<std::string, std::shared_ptr<const HostImage>> layers; // by label
    };

    void adopt(std::unique_ptr<EffectInstance> fresh);
    void restore(const EditorSnapshot& snapshot);
    EditorSnapshot snapshot();
    void commit();
    void drawPanel();
    void capturePanel();
    void told(PF_Err result, const std::string& what) const;
    const LayerFile* layerFile(const std::string& label) const;
    const Sources& sourcesAt(int downsample);
    std::unique_ptr<EffectInstance> startFresh(const std::string& projectPath) const;

    const PluginFile& plugin_;
    SessionSettings settings_;
    int depth_ = 8;
    std::shared_ptr<const HostImage> input_;
    std::vector<LayerFile> layerFiles_;
    std::map<int, std::string> layerChoice_; // layer parameter index -> label, "" none
    std::map<int, Sources> sources_;         // by downsampling

    std::unique_ptr<EffectInstance> instance_;
    std::unique_ptr<EventReplay> replay_;
    int control_ = -1;
    int panelWidth_ = 600;
    int panelHeight_ = 340;
    PanelPicture panel_;
    std::vector<std::uint8_t> panelBytes_; // the pixels panel_ shows

    EditorHistory history_;
    nlohmann::json savedProject_;
    std::uint64_t version_ = 1;
    std::optional<PreviewPicture> lastPreview_;
    std::string retiredProblems_;
    std::filesystem::path uploads_; // a private folder for projects being opened
};

} // namespace kvhost

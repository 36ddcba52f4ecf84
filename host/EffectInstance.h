#pragma once
#include "host/CommandAccounting.h"
#include "host/CommandReport.h"
#include "host/HostImage.h"
#include "host/HostMemory.h"
#include "host/HostPanel.h"
#include "host/HostParameter.h"
#include "host/HostSuites.h"
#include "host/PluginFile.h"
#include "host/RenderSession.h"
#include "hostapi/AE_Effect.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {
class EffectInstance;
}

// The effect reference the host hands to the plug-in: it names the instance a callback belongs to.
struct PF_ProgressInfo {
    kvhost::EffectInstance* instance;
};

namespace kvhost {

// One render: the input layer, extra layers by parameter index (any size, or none), the depth and the
// downsampling. The images are converted to the depth when theirs differs.
struct RenderRequest {
    std::shared_ptr<const HostImage> input;
    std::map<int, std::shared_ptr<const HostImage>> layers;
    int depth = 0; // 8, 16 or 32; 0 renders at the input's depth
    // The output area asked for in layer coordinates; the whole layer when unset.
    std::optional<PF_LRect> outputRect;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
};

struct RenderResult {
    PF_Err result = 0;
    HostImage output; // empty when the command failed or rendered nothing
};

// One event of a custom control, at a position in panel pixels (the control's frame starts at 0, 0).
struct EventRequest {
    PF_EventType type = PF_Event_DRAW; // PF_Event_DO_CLICK, _DRAG, _DRAW or _ADJUST_CURSOR
    int paramIndex = -1;               // -1: the parameter that registered a custom user interface
    PF_Point point{0, 0};
    PF_Modifiers modifiers = PF_Mod_NONE;
    int clicks = 1;
    bool lastDrag = false; // the drag event that ends the gesture
    PF_WindowType window = PF_Window_EFFECT;
    PF_EffectArea area = PF_EA_CONTROL;
};

struct EventResult {
    PF_Err result = 0;
    PF_EventOutFlags outFlags = PF_EO_NONE;
    PF_CursorType cursor = PF_Cursor_NONE;
    bool sendDrag = false; // the plug-in asked for drag events
};

// One instance of an effect, driven command by command as the real host drives it: about, global
// setup, parameter setup, sequence setup, the arbitrary-data default values; then per change
// user-changed-param and update-params-UI, per frame smart pre-render and smart render (or the legacy
// render), per mouse event the event command; sequence flatten and resetup on save and load; set-down when
// the instance goes away. Everything handed to the plug-in is tracked (CommandAccounting): after each
// command the host reports handles leaked or left locked, parameters left checked out and suites not
// released (lastReport()). The frame being rendered is a RenderSession.
class EffectInstance {
public:
    explicit EffectInstance(const PluginFile& plugin);
    // Sets down whatever was set up; never throws.
    ~EffectInstance();
    // Sets the instance down as the host does when the effect goes away: sequence setdown, the
    // arbitrary-data values disposed, global setdown; each command reported like any other.
    void setDown();
    EffectInstance(const EffectInstance&) = delete;
    EffectInstance& operator=(const EffectInstance&) = delete;

    // ---- host settings (before the commands they affect) ----
    void setApplicationId(A_long id) { applicationId_ = id; }
    void setSpecVersion(A_short major, A_short minor) { specVersion_ = PF_SpecVersion{major, minor}; }
    // Time in the host's units: current time, frame step and total length in units of timeScale.
    void setTimeScale(A_u_long timeScale, A_long timeStep, A_long totalTime);
    void setCurrentTime(A_long time) { currentTime_ = time; }
    void setCurrentSeconds(double seconds);
    double currentSeconds() const { return double(currentTime_) / double(timeScale_); }
    A_u_long timeScale() const { return timeScale_; }
    A_long timeStep() const { return timeStep_; }
    A_long totalTime() const { return totalTime_; }
    // Calls 1..count of the progress callback succeed, later ones report a user abort (517).
    void abortAfterProgressCalls(std::int64_t count) { abortAfter_ = count; }
    std::int64_t progressCalls() const { return progressCalls_.load(); }
    // Told of every progress call (current, total), on the thread that makes it; for a progress display.
    void setProgressObserver(std::function<void(A_long, A_long)> observer) {
        progressObserver_ = std::move(observer);
    }
    void offerIterateGeneric(bool offered) { iterateGenericOffered_ = offered; }
    // Processors that iterate_generic reports (one call per processor).
    void setProcessorCount(int count) { processors_ = count < 1 ? 1 : count; }
    HostMemory& memory() { return memory_; }
    HostSuites& suites() { return suites_; }

    // ---- commands ----
    // PF_Cmd_ABOUT; the text the plug-in wrote into return_msg.
    std::string about();
    PF_Err globalSetup();
    PF_Err paramsSetup();
    PF_Err sequenceSetup();
    // The arbitrary-data values: a new default value for every arbitrary parameter.
    PF_Err createArbitraryValues();
    // The four steps above in order; throws HostError naming the command that failed.
    void setup();
    // PF_Cmd_USER_CHANGED_PARAM for the parameter at `index`, then PF_Cmd_UPDATE_PARAMS_UI as the host
    // does after every change; the result of the first that fails.
    PF_Err userChangedParam(int index);
    PF_Err updateParamsUI();
    // PF_Cmd_SEQUENCE_FLATTEN: the bytes a project stores; the flat handle becomes the sequence data.
    std::vector<std::uint8_t> flattenSequence(PF_Err* result = nullptr);
    // PF_Cmd_SEQUENCE_RESETUP with the current (flat) sequence data, or with stored bytes.
    PF_Err resetupSequence();
    PF_Err resetupSequence(const std::vector<std::uint8_t>& flat);
    PF_Err sequenceSetdown();
    PF_Err globalSetdown();
    // Smart pre-render then smart render.
    RenderResult renderSmart(const RenderRequest& request);
    // PF_Cmd_FRAME_SETUP, PF_Cmd_RENDER, PF_Cmd_FRAME_SETDOWN; 8 and 16 bits only (the host has no
    // float path for the legacy render). The output has the input's size.
    RenderResult renderLegacy(const RenderRequest& request);

    // PF_Cmd_EVENT. The continuation words the plug-in leaves at a click are handed back with every drag
    // until the last one of the gesture.
    EventResult sendEvent(const EventRequest& request);
    // The effect window's size; by default 600 pixels wide (less when the control asks for less) and as
    // high as the control.
    void setPanelSize(int width, int height);
    HostPanel& panel() { return panel_; }
    PF_Err drawingReference(PF_ContextH context, PF_DrawingRef* surface);

    // ---- parameters ----
    int parameterCount() const { return int(parameters_.size()); }
    HostParameter& parameter(int index);
    const HostParameter& parameter(int index) const;
    // By name; throws HostError when there is none.
    HostParameter& parameter(const std::string& name);
    // A number into a popup (1-based), checkbox (0/1), slider, float slider or angle (degrees).
    void setNumber(int index, double value);
    void setColour(int index, PF_Pixel colour);
    // `file`: where the image came from, for a saved project to record; empty when it is no file.
    void setLayer(int index, std::shared_ptr<const HostImage> image, const std::string& file = std::string());
    // Indices whose value the plug-in changed in the last user-changed-param or event command.
    const std::vector<int>& changedParams() const { return changedParams_; }
    const std::vector<ParamUIUpdate>& paramUIUpdates() const { return uiUpdates_; }
    void clearParamUIUpdates() { uiUpdates_.clear(); }

    // ---- arbitrary data (through the plug-in's own callbacks) ----
    // The flat bytes of the value at a time (keyframes interpolated by the plug-in).
    std::vector<std::uint8_t> arbitraryFlatAt(int index, double seconds);
    std::vector<std::uint8_t> arbitraryFlat(int index);
    // Replaces the static value with one made from flat bytes.
    void setArbitraryFlat(int index, const std::vector<std::uint8_t>& flat);
    void setArbitraryKeyframe(int index, double seconds, const std::vector<std::uint8_t>& flat);

    // ---- keyframes of any parameter that can vary in time ----
    // Keys the value the parameter has at `seconds` (interpolated by the plug-in for arbitrary data).
    void addKeyframe(int index, double seconds);
    // Removes the keyframe at `seconds`; the last one removed leaves its value as the static value.
    // Throws HostError when the parameter has no keyframe at that time.
    void removeKeyframe(int index, double seconds);
    // Moves the keyframe at `from` to `to`, replacing one there.
    void moveKeyframe(int index, double from, double to);
    bool arbitraryEqual(int index, const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);
    // Flat bytes as the plug-in reads them and writes them back, through a value made for the purpose.
    std::vector<std::uint8_t> arbitraryReadBack(int index, const std::vector<std::uint8_t>& flat);

    // ---- state and accounting ----
    PF_Handle sequenceData() const { return accounting_.sequenceData(); }
    bool sequenceIsFlat() const { return accounting_.sequenceIsFlat(); }
    const PF_OutData& lastOutData() const { return lastOut_; }
    const CommandReport& lastReport() const { return accounting_.lastReport(); }
    const std::vector<CommandReport>& reports() const { return accounting_.reports(); }
    // All reports joined; empty when every command was clean.
    std::string problems() const { return accounting_.problems(); }
    // Forgets the reports so far: a tool that renders frame after frame with one instance keeps what it
    // needs of each report and lets the rest go, instead of growing by one report per command.
    void clearReports() { accounting_.clearReports(); }
    const PluginFile& plugin() const { return plugin_; }

    // ---- callbacks (called by the plug-in through the records; public for the C trampolines) ----
    PF_Err checkoutParam(PF_ParamIndex index, A_long time, A_long timeStep, A_u_long timeScale,
                         PF_ParamDef* param);
    PF_Err checkinParam(PF_ParamDef* param);
    PF_Err addParam(PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err registerUI(const PF_CustomUIInfo* info);
    PF_Err progress(A_long current, A_long total);
    PF_Err abortStatus() const;
    PF_Err iterateGeneric(A_long iterations, void* refcon, PF_IterateGenericFunc function);
    PF_Err updateParamUI(PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err checkoutLayer(PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request, A_long time,
                         A_long timeStep, A_u_long timeScale, PF_CheckoutResult* result);
    PF_Err checkoutLayerPixels(A_long checkoutId, PF_EffectWorld** pixels) {
        return session_.checkoutLayerPixels(checkoutId, pixels);
    }
    PF_Err checkinLayerPixels(A_long checkoutId) { return session_.checkinLayerPixels(checkoutId); }
    PF_Err checkoutOutput(PF_EffectWorld** output) { return session_.checkoutOutput(output); }
    static EffectInstance* fromRef(PF_ProgPtr ref) { return ref ? ref->instance : nullptr; }
    void recordFault(const std::string& line) { accounting_.fault(line); }
    // The instance whose command is running (for callbacks that carry no effect reference).
    static EffectInstance* running() { return running_; }

private:
    // One command in flight: the parameter values handed to the plug-in and what the host made for them.
    struct Call {
        std::vector<PF_ParamDef> defs;
        std::vector<PF_ParamDef*> pointers;
        std::vector<PF_Handle> temporaries; // arbitrary values made for params[], by index (null: none)
    };

    PF_Err run(PF_Cmd command, const char* name, PF_LayerDef* output, void* extra);
    PF_InData makeInData();
    void buildParams(Call& call);
    void finishParams(Call& call, PF_Cmd command);
    void checkRunTimeFlags();
    void fault(const std::string& line) { accounting_.fault(line); }
    [[noreturn]] void fail(const std::string& what) const;
    PF_ParamDef valueDef(int index, double seconds, PF_Handle* temporary);
    // Checks in what the plug-in left checked out; the parameters, for the report.
    std::vector<std::string> checkInLeftovers();
    void requireSetUp(const char* what) const;
    // Flat sequence data is set up again before any command that uses it, as the real host does.
    void unflattenSequence();
    void checkIndex(int index) const;
    HostImage* renderLayer(int index);
    void prepareRender(const RenderRequest& request);
    // The smart render of the result rectangle that the pre-render gave; the output when it succeeds.
    PF_Err renderFromPreRender(const PF_RenderRequest& outputRequest, const PF_PreRenderOutput& preOutput,
                               HostImage& output);
    // Lets the plug-in free its pre-render data once the frame is done; what of it stays live leaked.
    void releasePreRenderData(const PF_PreRenderOutput& preOutput);

    PF_Err arbitrary(int index, PF_ArbParamsExtra& extra);
    PF_Handle arbitraryNew(int index);
    PF_Handle arbitraryCopy(int index, PF_Handle source);
    PF_Handle arbitraryInterp(int index, PF_Handle left, PF_Handle right, double t);
    PF_Handle arbitraryUnflatten(int index, const std::vector<std::uint8_t>& flat);
    std::vector<std::uint8_t> arbitraryFlatten(int index, PF_Handle value);
    void arbitraryDispose(int index, PF_Handle value);
    // A temporary value at a time (host-owned), or the static value itself when not animated.
    PF_Handle arbitraryAt(int index, double seconds, bool* temporary);
    void disposeArbitraryValues();

    const PluginFile& plugin_;
    HostMemory memory_;
    HostSuites suites_;
    CommandAccounting accounting_{memory_, suites_};
    PF_ProgressInfo ref_{this};
    PF_UtilCallbacks utils_{};

    A_long applicationId_ = PF_APPL_ID_AFTER_EFFECTS;
    PF_SpecVersion specVersion_{13, 28};
    A_u_long timeScale_ = 24;
    A_long timeStep_ = 1;
    A_long totalTime_ = 240;
    A_long currentTime_ = 0;
    std::int64_t abortAfter_ = -1; // below 0: never
    std::atomic<std::int64_t> progressCalls_{0};
    std::function<void(A_long, A_long)> progressObserver_;
    bool iterateGenericOffered_ = true;
    int processors_ = 4;

    std::vector<std::unique_ptr<HostParameter>> parameters_;
    bool globalSetUp_ = false;
    bool paramsSetUp_ = false;
    bool sequenceSetUp_ = false;
    bool inParamsSetup_ = false;

    int depth_ = 0; // commands in flight (arbitrary callbacks run inside other commands)
    Call* outerCall_ = nullptr;
    std::vector<int> changedParams_;
    std::vector<ParamUIUpdate> uiUpdates_;
    PF_OutData lastOut_{};

    // The effect window of custom-control events.
    HostPanel panel_;
    PF_Context context_{};
    std::array<A_intptr_t, 4> continuation_{};
    bool inEvent_ = false;

    RenderSession session_{accounting_};

    // Per thread: instances run commands on threads of their own at once (kvhost render --jobs), and the
    // callbacks that reach this come from the thread that runs the command.
    static thread_local EffectInstance* running_;
    int memorySlot_ = -1; // the instance's own memory callbacks (EffectCallbacks.h); -1: the shared ones
};

} // namespace kvhost

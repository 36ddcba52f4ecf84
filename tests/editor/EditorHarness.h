#pragma once
// An in-process host for the curve editor: host memory with counted handles and switches that make
// allocations or locks fail, a basic suite that may withhold the application suite, the effect window as
// a PF_PanelSurface, and events built the way the host sends them (window coordinates, the gesture's
// continuation words kept from the click to the last drag event).
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "editor/CurveEditor.h"
#include "editor/StandardEditorPresentation.h"
#include "hostapi/PF_Errors.h"
#include "hostapi/PF_Suites.h"
#include "hostapi/SPBasic.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace korvane::test {

class HostServices {
public:
    HostServices();
    ~HostServices();
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    PF_InData& inData() { return inData_; }

    bool failAllocations = false;
    bool failLocks = false;
    bool offerAppSuite = true;
    PF_App_Color appBackground{0x1e00, 0x2d00, 0x3cff}; // 30, 45, 60 after the shift

    int liveHandles() const { return int(blocks_.size()); }
    int lockedHandles() const;
    int suitesHeld() const { return suitesHeld_; }

private:
    struct Block {
        void* master = nullptr;
        std::vector<char> bytes;
        int locks = 0;
    };
    static PF_Handle newHandle(A_u_longlong size);
    static void* lockHandle(PF_Handle h);
    static void unlockHandle(PF_Handle h);
    static void disposeHandle(PF_Handle h);
    static A_u_longlong handleSize(PF_Handle h);
    static SPErr acquireSuite(const char* name, A_long version, const void** suite);
    static SPErr releaseSuite(const char* name, A_long version);
    static PF_Err appBackgroundColour(PF_App_Color* colour);

    inline static HostServices* current_ = nullptr;
    PF_UtilCallbacks utils_{};
    SPBasicSuite basic_{};
    PF_AppSuite2 appSuite_{};
    PF_InData inData_{};
    std::map<PF_Handle, std::unique_ptr<Block>> blocks_;
    int suitesHeld_ = 0;
};

// The effect window: a surface bigger than the control, the control's frame at (frameLeft, frameTop).
struct EffectWindow {
    int windowWidth = 700;
    int windowHeight = 420;
    int frameLeft = 20;
    int frameTop = 30;
    int frameWidth = 600;
    int frameHeight = 340;
    std::array<A_u_char, 3> background{90, 100, 110};
};

template <class Traits>
class EditorHarness {
public:
    using CurveSetType = typename Traits::CurveSetType;
    static constexpr PF_ParamIndex kCurveParam = 2;

    explicit EditorHarness(EffectWindow window = {}) : window_(window) {
        resetCurveSet(curves);
        initEditorStateSet(states, Traits::kEditorDefaults);
        pixels_.assign(std::size_t(window_.windowWidth) * window_.windowHeight * 4, 0);
        surface_.pixels = pixels_.data();
        surface_.width = window_.windowWidth;
        surface_.height = window_.windowHeight;
        surface_.rowbytes = window_.windowWidth * 4;
        std::memcpy(surface_.background, window_.background.data(), 3);
        for (auto& p : paramDefs_) {
            std::memset(&p, 0, sizeof p);
        }
        for (std::size_t i = 0; i < params_.size(); ++i) {
            params_[i] = &paramDefs_[i];
        }
        host.inData().num_params = int(params_.size());
        context_.w_type = PF_Window_EFFECT;
    }

    CurveSetType curves{};
    EditorStateSet states{};
    HostServices host;
    const EditorPresentation* presentation = &standard_;
    PF_Err lastResult = PF_Err_NONE;

    Curve& shownCurve() { return curves.curves[states.current]; }
    EditorState& shownState() { return states.states[states.current]; }

    // A fresh event at panel pixel (x, y) of the control.
    PF_EventExtra event(PF_EventType type, int x, int y, PF_Modifiers modifiers = PF_Mod_NONE) {
        PF_EventExtra e;
        std::memset(&e, 0, sizeof e);
        e.contextH = &context_;
        e.e_type = type;
        e.effect_win.index = kCurveParam;
        e.effect_win.area = PF_EA_CONTROL;
        e.effect_win.current_frame = {window_.frameLeft, window_.frameTop,
                                      window_.frameLeft + window_.frameWidth,
                                      window_.frameTop + window_.frameHeight};
        e.cbs.get_drawing_reference = &drawingReference;
        const PF_Point point{window_.frameLeft + x, window_.frameTop + y};
        if (type == PF_Event_ADJUST_CURSOR) {
            e.u.adjust_cursor.screen_point = point;
            e.u.adjust_cursor.modifiers = modifiers;
        } else if (type == PF_Event_DO_CLICK || type == PF_Event_DRAG) {
            e.u.do_click.screen_point = point;
            e.u.do_click.modifiers = modifiers;
            e.u.do_click.num_clicks = 1;
            std::memcpy(e.u.do_click.continue_refcon, refcon_, sizeof refcon_);
        }
        return e;
    }

    PF_Err send(PF_EventExtra& e) {
        current_ = this;
        paramDefs_[kCurveParam].uu.change_flags = 0;
        lastResult = handleEditorEvent<Traits>(&host.inData(), &outData_, params_.data(), &e, kCurveParam,
                                               curves, states, *presentation);
        if (e.e_type == PF_Event_DO_CLICK || e.e_type == PF_Event_DRAG) {
            std::memcpy(refcon_, e.u.do_click.continue_refcon, sizeof refcon_);
        }
        lastEvent = e;
        return lastResult;
    }

    PF_EventExtra click(int x, int y, PF_Modifiers modifiers = PF_Mod_NONE, int clicks = 1) {
        std::memset(refcon_, 0, sizeof refcon_);
        PF_EventExtra e = event(PF_Event_DO_CLICK, x, y, modifiers);
        e.u.do_click.num_clicks = clicks;
        send(e);
        return e;
    }
    PF_EventExtra drag(int x, int y, PF_Modifiers modifiers = PF_Mod_NONE) {
        PF_EventExtra e = event(PF_Event_DRAG, x, y, modifiers);
        send(e);
        return e;
    }
    PF_EventExtra release(int x, int y, PF_Modifiers modifiers = PF_Mod_NONE) {
        PF_EventExtra e = event(PF_Event_DRAG, x, y, modifiers);
        e.u.do_click.last_time = 1;
        send(e);
        return e;
    }
    PF_EventExtra draw() {
        PF_EventExtra e = event(PF_Event_DRAW, 0, 0);
        send(e);
        return e;
    }
    PF_EventExtra move(int x, int y, PF_Modifiers modifiers = PF_Mod_NONE) {
        PF_EventExtra e = event(PF_Event_ADJUST_CURSOR, x, y, modifiers);
        send(e);
        return e;
    }

    bool curveFlaggedChanged() const {
        return (paramDefs_[kCurveParam].uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0;
    }

    // Blue, green, red, alpha of a pixel of the control (panel coordinates).
    const A_u_char* panelPixel(int x, int y) const {
        return windowPixel(window_.frameLeft + x, window_.frameTop + y);
    }
    const A_u_char* windowPixel(int x, int y) const {
        return pixels_.data() + (std::size_t(y) * window_.windowWidth + x) * 4;
    }
    const EffectWindow& window() const { return window_; }
    PF_PanelSurface& surface() { return surface_; }
    void setWindowType(PF_WindowType type) { context_.w_type = type; }

    PF_EventExtra lastEvent{};

private:
    static PF_Err drawingReference(PF_ContextH, PF_DrawingRef* ref) {
        *ref = &current_->surface_;
        return PF_Err_NONE;
    }

    inline static EditorHarness* current_ = nullptr;
    EffectWindow window_;
    std::vector<A_u_char> pixels_;
    PF_PanelSurface surface_{};
    PF_Context context_{};
    PF_OutData outData_{};
    std::array<PF_ParamDef, 4> paramDefs_{};
    std::array<PF_ParamDef*, 4> params_{};
    A_intptr_t refcon_[4]{};
    StandardEditorPresentation standard_;
};

} // namespace korvane::test

// Sequence data as the host hands it back at sequence resetup: the flattened text, or (first byte 0) a
// raw record of another version or of any content. Both plug-ins restore it through libkvhost, then the
// editor gets mouse events and draws, the render counts its histograms, and the data is flattened and
// restored again. Nothing may crash, leak or leave a handle locked; the record stays safe to use.
//
// Bytes 1 to 3 are padding in the raw record (and text otherwise); they choose the mouse position, the
// modifiers and the render depth.
#include "curves/CurveText.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "fuzz/CurveChecks.h"
#include "fuzz/EffectRuns.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using namespace korvane;
using namespace korvane::fuzz;

namespace {

constexpr int kPanelWidth = 300;
constexpr int kPanelHeight = 200;

// Six nodes on every curve, so that stored active indices and selections name real nodes.
std::string sixNodeCurves(const std::array<std::string_view, kCurveCount>& names) {
    std::string curve = "version 0\nloop 0\n";
    for (int i = 0; i < 6; ++i) {
        const double x = i / 5.0;
        curve += "point " + std::to_string(x) + " " + std::to_string(x * x) + " 0.05 -0.02 0.05 0.02 1 1 1\n";
    }
    std::string text = "version 0\n";
    for (const std::string_view name : names) {
        text += "curve_" + std::string(name) + " " + std::to_string(curve.size()) + "\n" + curve;
    }
    return text;
}

std::unique_ptr<EditorStateSet> heldSequence(kvhost::EffectInstance& instance) {
    require(instance.sequenceData() != nullptr && !instance.sequenceIsFlat(), "raw sequence data is held");
    const std::vector<std::uint8_t> bytes = instance.memory().bytes(instance.sequenceData());
    require(bytes.size() == sizeof(EditorStateSet), "the sequence data is one editor state set");
    auto set = std::make_unique<EditorStateSet>();
    std::memcpy(set.get(), bytes.data(), sizeof(EditorStateSet));
    return set;
}

void requireEvent(kvhost::EffectInstance& instance, PF_EventType type, int x, int y, PF_Modifiers modifiers,
                  bool last = false) {
    kvhost::EventRequest event;
    event.type = type;
    event.point = PF_Point{x, y};
    event.modifiers = modifiers;
    event.lastDrag = last;
    const PF_Err result = instance.sendEvent(event).result;
    if (result != PF_Err_NONE) {
        invariantBroken("event " + std::to_string(type) + " returned " + std::to_string(result));
    }
    requireClean(instance);
}

void run(Effect effect, const std::vector<std::uint8_t>& stored, std::uint8_t a, std::uint8_t b,
         std::uint8_t c) {
    const auto instance = newInstance(effect);
    static const std::string absoluteCurves = sixNodeCurves(AbsoluteTraits::kCurveNames);
    static const std::string relativeCurves = sixNodeCurves(RelativeTraits::kCurveNames);
    instance->setArbitraryFlat(curveParameter(*instance),
                               flatText(effect == Effect::Absolute ? absoluteCurves : relativeCurves));

    const PF_Err restored = instance->resetupSequence(stored);
    if (restored != PF_Err_NONE) {
        invariantBroken("sequence resetup returned " + std::to_string(restored));
    }
    requireClean(*instance);
    checkEditorStateSet(*heldSequence(*instance));

    instance->setPanelSize(kPanelWidth, kPanelHeight);
    const int x = a * kPanelWidth / 256;
    const int y = b * kPanelHeight / 256;
    static constexpr PF_Modifiers kModifiers[] = {PF_Mod_NONE, PF_Mod_SHIFT_KEY, PF_Mod_CMD_CTRL_KEY,
                                                  PF_Mod_OPT_ALT_KEY};
    const PF_Modifiers modifiers = kModifiers[c & 3];
    // The stored gesture state first meets a move and a drag that no click started.
    requireEvent(*instance, PF_Event_ADJUST_CURSOR, x, y, modifiers);
    requireEvent(*instance, PF_Event_DRAG, kPanelWidth - x, y, modifiers);
    requireEvent(*instance, PF_Event_DRAW, 0, 0, PF_Mod_NONE);
    // Then a whole gesture.
    requireEvent(*instance, PF_Event_DO_CLICK, x, y, modifiers);
    requireEvent(*instance, PF_Event_DRAG, x + 7, kPanelHeight - y, modifiers);
    requireEvent(*instance, PF_Event_DRAG, x + 7, kPanelHeight - y, modifiers, true);
    checkEditorStateSet(*heldSequence(*instance));

    // Raw records mostly hold zero padding here: that renders at 8 bits, the costly 16 stays rare.
    requireGoodRender(*instance, depthOf(std::uint8_t((c >> 2) + 1)));
    checkEditorStateSet(*heldSequence(*instance));
    requireEvent(*instance, PF_Event_DRAW, 0, 0, PF_Mod_NONE);

    // Saved and reopened, the text settles after one round.
    PF_Err flattened = PF_Err_NONE;
    const std::vector<std::uint8_t> flat = instance->flattenSequence(&flattened);
    require(flattened == PF_Err_NONE && !flat.empty() && flat.back() == 0, "flatten gives text and its NUL");
    require(instance->resetupSequence(flat) == PF_Err_NONE, "flat sequence data sets up again");
    const std::vector<std::uint8_t> again = instance->flattenSequence(&flattened);
    require(flattened == PF_Err_NONE && again == flat, "flattened text is stable");
    require(instance->resetupSequence() == PF_Err_NONE, "sequence data sets up after saving");
    requireClean(*instance);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> stored(data, data + size);
    const std::uint8_t a = size > 1 ? data[1] : 0;
    const std::uint8_t b = size > 2 ? data[2] : 0;
    const std::uint8_t c = size > 3 ? data[3] : 0;
    run(Effect::Absolute, stored, a, b, c);
    run(Effect::Relative, stored, a, b, c);
    return 0;
}

// The editor-state-set text (flattened sequence data) of both effects: whatever it holds, the set read
// from it is safe to use and its text is stable after one round trip.
#include "curves/EditorStateText.h"
#include "curves/EffectTraits.h"
#include "fuzz/CurveChecks.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace korvane;
using namespace korvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    stableEditorStateSetText<RelativeTraits>(text);
    stableEditorStateSetText<AbsoluteTraits>(text);

    // One state's text alone: the view keeps its values unless the text gives finite ones.
    EditorState state;
    std::memset(&state, 0, sizeof state);
    resetEditorState(state, AbsoluteTraits::kEditorDefaults);
    readEditorState(text, state);
    require(state.active >= -1 && state.active < kCurveSlots, "active node is -1..39");
    require(state.toolState >= 0 && state.toolState <= 2, "tool is 0..2");
    require(state.histogram >= 0 && state.histogram <= 2, "histogram display is 0..2");
    require(std::isfinite(state.viewXStart) && std::isfinite(state.viewXEnd) &&
                std::isfinite(state.viewYStart) && std::isfinite(state.viewYEnd),
            "view bounds are finite");
    return 0;
}

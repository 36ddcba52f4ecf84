#include "fuzz/CurveChecks.h"

#include "curves/CurveText.h"
#include "curves/EditorStateText.h"
#include "curves/EffectTraits.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <memory>

namespace korvane::fuzz {

namespace {

bool validMode(HandleMode mode) {
    const int value = static_cast<int>(mode);
    return value >= 0 && value <= 2;
}

bool inRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

// Lines of the written text that start with the key.
int countLines(std::string_view text, std::string_view key) {
    int count = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (text.substr(start, end - start).starts_with(key)) {
            ++count;
        }
        start = end + 1;
    }
    return count;
}

} // namespace

void checkCurve(const Curve& curve) {
    require(curve.loop == 0 || curve.loop == 1, "loop flag is 0 or 1");
    for (const CurveNode& node : curve.nodes) {
        if (node.active == 0) {
            continue;
        }
        require(node.active == 1, "active flag is 0 or 1");
        for (const double v : {node.x, node.y, node.leftDx, node.leftDy, node.rightDx, node.rightDy}) {
            require(std::isfinite(v), "active node has finite numbers");
        }
        require(node.linked == 0 || node.linked == 1, "linked flag is 0 or 1");
        require(validMode(node.leftMode) && validMode(node.rightMode), "handle modes are 0..2");
    }
}

void checkCurveSet(const RelativeCurveSet& set) {
    for (const Curve& curve : set.curves) {
        checkCurve(curve);
    }
    for (const double factor : set.changeFactor) {
        require(std::isfinite(factor), "change factor is finite");
    }
}

void checkCurveSet(const AbsoluteCurveSet& set) {
    for (const Curve& curve : set.curves) {
        checkCurve(curve);
    }
}

void checkEditorStateSet(const EditorStateSet& set) {
    require(inRange(set.current, 0, kCurveCount - 1), "current is 0..7");
    require(std::isfinite(set.scale) && set.scale > 0.0, "scale is positive and finite");
    for (const EditorState& state : set.states) {
        require(inRange(state.active, -1, kCurveSlots - 1), "active node is -1..39");
        require(inRange(state.toolState, 0, 2), "tool is 0..2");
        require(inRange(state.histogram, 0, 2), "histogram display is 0..2");
        require(std::isfinite(state.viewXStart) && std::isfinite(state.viewXEnd) &&
                    std::isfinite(state.viewYStart) && std::isfinite(state.viewYEnd),
                "view bounds are finite");
        require(inRange(state.hoveredElement, -1, 17), "hovered element is -1..17");
    }
    require(inRange(set.histogramMode, 0, 2), "histogram mode is 0..2");
    require(set.histogramPixels >= 0, "histogram pixel count is not negative");
}

template <class Traits>
std::string stableCurveSetText(std::string_view text) {
    using CurveSet = typename Traits::CurveSetType;
    const auto first = std::make_unique<CurveSet>();
    readCurveSet(text, *first);
    checkCurveSet(*first);
    const std::string written = writeCurveSet(*first);
    require(countLines(written, "point ") <= kCurveCount * kCurveSlots, "at most 40 nodes a curve");
    for (const Curve& curve : first->curves) {
        int active = 0;
        for (const CurveNode& node : curve.nodes) {
            active += node.active != 0 ? 1 : 0;
        }
        require(active <= kCurveSlots, "at most 40 active nodes");
    }
    const auto second = std::make_unique<CurveSet>();
    readCurveSet(written, *second);
    checkCurveSet(*second);
    require(writeCurveSet(*second) == written, "curve set text is stable after one round trip");
    require(curveSetsEqual(*second, *second), "a curve set read from its text compares equal to itself");
    return written;
}

template <class Traits>
std::string stableEditorStateSetText(std::string_view text) {
    const auto first = std::make_unique<EditorStateSet>();
    initEditorStateSet(*first, Traits::kEditorDefaults);
    readEditorStateSet<Traits>(text, *first);
    checkEditorStateSet(*first);
    const std::string written = writeEditorStateSet<Traits>(*first);
    const auto second = std::make_unique<EditorStateSet>();
    initEditorStateSet(*second, Traits::kEditorDefaults);
    readEditorStateSet<Traits>(written, *second);
    checkEditorStateSet(*second);
    require(writeEditorStateSet<Traits>(*second) == written,
            "editor state text is stable after one round trip");
    return written;
}

template std::string stableCurveSetText<RelativeTraits>(std::string_view);
template std::string stableCurveSetText<AbsoluteTraits>(std::string_view);
template std::string stableEditorStateSetText<RelativeTraits>(std::string_view);
template std::string stableEditorStateSetText<AbsoluteTraits>(std::string_view);

} // namespace korvane::fuzz

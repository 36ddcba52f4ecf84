#include "curves/EditorStateText.h"

#include "curves/NumberText.h"
#include "curves/TextReader.h"

#include <cmath>

namespace korvane {

namespace {

constexpr std::int32_t kTextVersion = 0;

void appendLine(std::string& out, std::string_view key, auto value) {
    out += key;
    out += ' ';
    appendNumber(out, value);
    out += '\n';
}

void assignUsable(double& target, double value) {
    if (isUsableCoordinate(value)) {
        target = value;
    }
}

} // namespace

std::string writeEditorState(const EditorState& state) {
    std::string out;
    appendLine(out, "version", kTextVersion);
    appendLine(out, "active", state.active);
    appendLine(out, "view_x_start", state.viewXStart);
    appendLine(out, "view_x_end", state.viewXEnd);
    appendLine(out, "view_y_start", state.viewYStart);
    appendLine(out, "view_y_end", state.viewYEnd);
    appendLine(out, "tool_state", state.toolState);
    appendLine(out, "fixed_aspect", std::int32_t(state.fixedAspect != 0 ? 1 : 0));
    appendLine(out, "histogram", state.histogram);
    return out;
}

void readEditorState(std::string_view text, EditorState& state) {
    resetEditorSettings(state);
    TextReader reader(text);
    std::string_view token;
    std::string_view value;
    while (reader.next(token)) {
        double* view = nullptr;
        if (token == "view_x_start") {
            view = &state.viewXStart;
        } else if (token == "view_x_end") {
            view = &state.viewXEnd;
        } else if (token == "view_y_start") {
            view = &state.viewYStart;
        } else if (token == "view_y_end") {
            view = &state.viewYEnd;
        } else if (token != "version" && token != "active" && token != "tool_state" &&
                   token != "fixed_aspect" && token != "histogram") {
            continue;
        }
        if (!reader.next(value)) {
            return;
        }
        if (view != nullptr) {
            assignUsable(*view, parseDouble(value));
        } else if (token == "active") {
            const std::int32_t active = parseInt(value);
            state.active = active >= -1 && active < kCurveSlots ? active : -1;
        } else if (token == "tool_state") {
            const std::int32_t tool = parseInt(value);
            state.toolState = tool >= 0 && tool <= 2 ? tool : 0;
        } else if (token == "fixed_aspect") {
            state.fixedAspect = parseInt(value) != 0 ? 1 : 0;
        } else if (token == "histogram") {
            const std::int32_t mode = parseInt(value);
            state.histogram = mode >= 0 && mode <= 2 ? mode : 0;
        }
    }
}

std::string writeEditorStateSet(const EditorStateSet& set, const CurveNames& names) {
    std::string out;
    appendLine(out, "version", kTextVersion);
    appendLine(out, "current", set.current);
    appendLine(out, "scale", set.scale);
    for (int k = 0; k < kCurveCount; ++k) {
        const std::string stateText = writeEditorState(set.states[k]);
        out += "curve_sq_";
        out += names[k];
        out += ' ';
        appendNumber(out, std::int32_t(stateText.size()));
        out += '\n';
        out += stateText;
    }
    return out;
}

void readEditorStateSet(std::string_view text, EditorStateSet& set, const EditorDefaults& defaults,
                        const CurveNames& names) {
    resetEditorStateSet(set, defaults);
    std::array<std::string, kCurveCount> keys;
    for (int k = 0; k < kCurveCount; ++k) {
        keys[k] = "curve_sq_" + std::string(names[k]);
    }
    TextReader reader(text);
    std::string_view token;
    std::string_view value;
    while (reader.next(token)) {
        int state = -1;
        for (int k = 0; k < kCurveCount; ++k) {
            if (token == keys[k]) {
                state = k;
            }
        }
        if (state < 0 && token != "version" && token != "current" && token != "scale") {
            continue;
        }
        if (!reader.next(value)) {
            return;
        }
        if (state >= 0) {
            readEditorState(reader.block(parseInt(value)), set.states[state]);
        } else if (token == "current") {
            const std::int32_t current = parseInt(value);
            set.current = current >= 0 && current < kCurveCount ? current : defaults.current;
        } else if (token == "scale") {
            // The node value parameters divide by the scale.
            const double scale = parseDouble(value);
            if (std::isfinite(scale) && scale > 0.0) {
                set.scale = scale;
            }
        }
    }
}

} // namespace korvane

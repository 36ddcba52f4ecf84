#pragma once
#include "curves/EditorState.h"

#include <array>
#include <string>
#include <string_view>

namespace korvane {

using CurveNames = std::array<std::string_view, kCurveCount>;

// Text form of the editor state (the flattened sequence data). Only the settings travel: no gesture
// state, selection or histograms.

std::string writeEditorState(const EditorState& state);
// Resets everything but the view, then reads the keys. A non-finite view bound keeps its value; an
// active node outside -1..39 reads as none, a tool or histogram mode outside 0..2 as 0.
void readEditorState(std::string_view text, EditorState& state);

std::string writeEditorStateSet(const EditorStateSet& set, const CurveNames& names);
// Resets current, scale and the eight states first; the histogram fields are left alone.
void readEditorStateSet(std::string_view text, EditorStateSet& set, const EditorDefaults& defaults,
                        const CurveNames& names);

template <class Traits>
std::string writeEditorStateSet(const EditorStateSet& set) {
    return writeEditorStateSet(set, Traits::kCurveNames);
}

template <class Traits>
void readEditorStateSet(std::string_view text, EditorStateSet& set) {
    readEditorStateSet(text, set, Traits::kEditorDefaults, Traits::kCurveNames);
}

} // namespace korvane

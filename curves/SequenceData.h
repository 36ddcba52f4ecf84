#pragma once
#include "curves/EditorState.h"
#include "curves/EditorStateText.h"

#include <cstddef>

namespace korvane {

// The pure parts of the effects' sequence-data commands; the effects own the host handles.

enum class StoredSequenceForm {
    None, // nothing stored: the defaults
    Text, // the flattened text form
    Raw,  // the in-memory record, copied byte for byte
};

// Rebuilds the editor state set from what the host stored: new sequence data first, then the text
// when the first byte is not 0, else the raw record (at most `size` bytes of it: a shorter block leaves
// the rest at the defaults). The result is made safe to use (makeEditorStateSetSafe).
StoredSequenceForm restoreEditorStateSet(EditorStateSet& set, const void* stored, std::size_t size,
                                         const EditorDefaults& defaults, const CurveNames& names);

template <class Traits>
void initEditorStateSet(EditorStateSet& set) {
    initEditorStateSet(set, Traits::kEditorDefaults);
}

template <class Traits>
StoredSequenceForm restoreEditorStateSet(EditorStateSet& set, const void* stored, std::size_t size) {
    return restoreEditorStateSet(set, stored, size, Traits::kEditorDefaults, Traits::kCurveNames);
}

template <class Traits>
void makeEditorStateSetSafe(EditorStateSet& set) {
    makeEditorStateSetSafe(set, Traits::kEditorDefaults);
}

} // namespace korvane

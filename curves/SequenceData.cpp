#include "curves/SequenceData.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace korvane {

StoredSequenceForm restoreEditorStateSet(EditorStateSet& set, const void* stored, std::size_t size,
                                         const EditorDefaults& defaults, const CurveNames& names) {
    initEditorStateSet(set, defaults);
    if (stored == nullptr || size == 0) {
        return StoredSequenceForm::None;
    }
    const auto* bytes = static_cast<const char*>(stored);
    StoredSequenceForm form = StoredSequenceForm::Raw;
    if (bytes[0] != '\0') {
        readEditorStateSet(std::string_view(bytes, size), set, defaults, names);
        form = StoredSequenceForm::Text;
    } else {
        std::memcpy(&set, bytes, std::min(size, sizeof set));
    }
    makeEditorStateSetSafe(set, defaults);
    return form;
}

} // namespace korvane

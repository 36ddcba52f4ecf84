#pragma once
// The editor state set as an effect's sequence data: the raw record while the effect works, its text form
// while the host stores it. Both effects keep it the same way; only their traits differ.
#include "curves/EditorStateText.h"
#include "curves/HostHandle.h"
#include "curves/SequenceData.h"
#include "framework/DebugLog.h"
#include "hostapi/AE_Effect.h"

#include <cstring>
#include <string>
#include <string_view>

namespace korvane {

namespace sequence_detail {

inline void logLine(std::string_view line) {
    DebugLog::instance().write(line, DebugLog::Info);
}

} // namespace sequence_detail

// Disposes of the sequence data, if any.
PF_Err setdownEditorSequence(PF_InData* in_data, PF_OutData* out_data);

// Fresh sequence data: whatever was there is disposed of, a zero-filled record set to the defaults.
template <class Traits>
PF_Err setupEditorSequence(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    setdownEditorSequence(in_data, out_data);
    PF_Handle handle =
        utils.host_new_handle != nullptr ? utils.host_new_handle(sizeof(EditorStateSet)) : nullptr;
    if (handle == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    out_data->sequence_data = handle;
    sequence_detail::logLine("created new sequence data\n");
    const HostHandleLock lock(utils, handle, sizeof(EditorStateSet));
    if (!lock) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    initEditorStateSet<Traits>(lock.as<EditorStateSet>());
    sequence_detail::logLine("reset new sequence data\n");
    return PF_Err_NONE;
}

// New sequence data restored from what the host stored: the text form, or a raw record of this or an
// older session (made safe before use). The stored handle is disposed of.
template <class Traits>
PF_Err resetupEditorSequence(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    PF_Handle handle =
        utils.host_new_handle != nullptr ? utils.host_new_handle(sizeof(EditorStateSet)) : nullptr;
    if (handle == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    out_data->sequence_data = handle;
    const HostHandleLock lock(utils, handle, sizeof(EditorStateSet));
    if (!lock) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    sequence_detail::logLine("created new sequence data\n");
    EditorStateSet& set = lock.as<EditorStateSet>();
    initEditorStateSet<Traits>(set);

    PF_Handle stored = in_data->sequence_data;
    if (stored == nullptr || stored == handle) {
        return PF_Err_NONE;
    }
    sequence_detail::logLine("input sequence data available\n");
    // Raw data of an older session may be shorter than the record: only what is there is read, and
    // whatever it holds is made safe to use. Stored data of no bytes holds nothing: the defaults stay.
    const std::size_t size =
        utils.host_get_handle_size != nullptr ? utils.host_get_handle_size(stored) : sizeof(EditorStateSet);
    if (size > 0) {
        const HostHandleLock input(utils, stored, 1);
        if (!input) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        const StoredSequenceForm form = restoreEditorStateSet<Traits>(set, input.data(), size);
        sequence_detail::logLine(form == StoredSequenceForm::Text ? "copied flat sequence data\n"
                                                                  : "copied unflat sequence data\n");
    }
    if (utils.host_dispose_handle != nullptr) {
        utils.host_dispose_handle(stored);
    }
    return PF_Err_NONE;
}

// The text form in a new handle (text and its NUL) in place of the raw record. A handle that cannot be
// allocated is out of memory; one that cannot be locked is damaged, as in setup and resetup.
template <class Traits>
PF_Err flattenEditorSequence(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr ||
        in_data->sequence_data == nullptr) {
        return PF_Err_NONE;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    PF_Handle raw = in_data->sequence_data;
    std::string text;
    {
        const HostHandleLock lock(utils, raw, 1);
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        // Already flat (flattened twice without a resetup in between): it stays as it is.
        if (*static_cast<const char*>(lock.data()) != '\0') {
            return PF_Err_NONE;
        }
        if (utils.host_get_handle_size != nullptr &&
            utils.host_get_handle_size(raw) < sizeof(EditorStateSet)) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        text = writeEditorStateSet<Traits>(lock.as<EditorStateSet>());
    }
    OwnedHostHandle flat(utils, text.size() + 1);
    if (flat.get() == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    {
        const HostHandleLock lock(utils, flat.get(), text.size() + 1);
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        std::memcpy(lock.data(), text.c_str(), text.size() + 1);
    }
    out_data->sequence_data = flat.release();
    if (utils.host_dispose_handle != nullptr) {
        utils.host_dispose_handle(raw);
    }
    return PF_Err_NONE;
}

} // namespace korvane

// The Relative effect's sequence data: the editor state set in its raw form while the effect works, its
// text form while the host stores it.
#include "relative/RelativeCurvesAEHost.h"

#include "curves/EditorStateText.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "curves/SequenceData.h"
#include "framework/DebugLog.h"
#include "framework/LogSection.h"

#include <cstring>
#include <string>

namespace korvane {

namespace {

void logLine(std::string_view line) {
    DebugLog::instance().write(line, DebugLog::Info);
}

void disposeHandle(const PF_UtilCallbacks& utils, PF_Handle handle) {
    if (handle != nullptr && utils.host_dispose_handle != nullptr) {
        utils.host_dispose_handle(handle);
    }
}

} // namespace

PF_Err RelativeCurvesAEHost::sequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                           PF_LayerDef* output) {
    const LogSection section(DebugLog::instance(), "RelativeCurvesAEHost::SequenceSetup\n");
    if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    sequenceSetdown(in_data, out_data, params, output);
    if (utils.host_new_handle == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    PF_Handle handle = utils.host_new_handle(sizeof(EditorStateSet));
    if (handle == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    out_data->sequence_data = handle;
    logLine("created new sequence data\n");
    const HostHandleLock lock(utils, handle, sizeof(EditorStateSet));
    if (!lock) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    initEditorStateSet<RelativeTraits>(lock.as<EditorStateSet>());
    logLine("reset new sequence data\n");
    return noError();
}

PF_Err RelativeCurvesAEHost::sequenceResetup(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const LogSection section(DebugLog::instance(), "RelativeCurvesAEHost::SequenceResetup\n");
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
    logLine("created new sequence data\n");
    EditorStateSet& set = lock.as<EditorStateSet>();
    initEditorStateSet<RelativeTraits>(set);

    PF_Handle stored = in_data->sequence_data;
    if (stored == nullptr || stored == handle) {
        return noError();
    }
    logLine("input sequence data available\n");
    {
        const HostHandleLock input(utils, stored, 1);
        if (!input) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        // Raw data of an older session may be shorter than the record: only what is there is read, and
        // whatever it holds is made safe to use.
        const std::size_t size = utils.host_get_handle_size != nullptr ? utils.host_get_handle_size(stored)
                                                                       : sizeof(EditorStateSet);
        const StoredSequenceForm form = restoreEditorStateSet<RelativeTraits>(set, input.data(), size);
        logLine(form == StoredSequenceForm::Text ? "copied flat sequence data\n"
                                                 : "copied unflat sequence data\n");
    }
    disposeHandle(utils, stored);
    return noError();
}

PF_Err RelativeCurvesAEHost::sequenceSetdown(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    if (in_data == nullptr || in_data->utils == nullptr || in_data->sequence_data == nullptr) {
        return noError();
    }
    disposeHandle(*in_data->utils, in_data->sequence_data);
    if (out_data != nullptr && out_data->sequence_data == in_data->sequence_data) {
        out_data->sequence_data = nullptr;
    }
    return noError();
}

PF_Err RelativeCurvesAEHost::sequenceFlatten(PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr ||
        in_data->sequence_data == nullptr) {
        return noError();
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    PF_Handle raw = in_data->sequence_data;
    std::string text;
    {
        const HostHandleLock lock(utils, raw, 1);
        if (!lock) {
            return PF_Err_OUT_OF_MEMORY;
        }
        // Already flat (flattened twice without a resetup in between): it stays as it is.
        if (*static_cast<const char*>(lock.data()) != '\0') {
            return noError();
        }
        if (utils.host_get_handle_size != nullptr &&
            utils.host_get_handle_size(raw) < sizeof(EditorStateSet)) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        text = writeEditorStateSet<RelativeTraits>(lock.as<EditorStateSet>());
    }
    OwnedHostHandle flat(utils, text.size() + 1);
    if (flat.get() == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    {
        const HostHandleLock lock(utils, flat.get(), text.size() + 1);
        if (!lock) {
            return PF_Err_OUT_OF_MEMORY;
        }
        std::memcpy(lock.data(), text.c_str(), text.size() + 1);
    }
    out_data->sequence_data = flat.release();
    disposeHandle(utils, raw);
    return noError();
}

} // namespace korvane

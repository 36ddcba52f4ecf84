#include "editor/EditorSequenceData.h"

namespace korvane {

PF_Err setdownEditorSequence(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || in_data->utils == nullptr || in_data->sequence_data == nullptr) {
        return PF_Err_NONE;
    }
    if (in_data->utils->host_dispose_handle != nullptr) {
        in_data->utils->host_dispose_handle(in_data->sequence_data);
    }
    if (out_data != nullptr && out_data->sequence_data == in_data->sequence_data) {
        out_data->sequence_data = nullptr;
    }
    return PF_Err_NONE;
}

} // namespace korvane

#pragma once
// The command records: what the host hands to every command (PF_InData) and what the plug-in
// reports back (PF_OutData), with the host callbacks reachable through them.

#include "hostapi/PF_Flags.h"
#include "hostapi/PF_ParamDef.h"
#include "hostapi/PF_Types.h"

struct SPBasicSuite;
struct PF_CustomUIInfo;

// Interaction callbacks: parameters, progress and the custom user interface.
struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
    PF_Err (*abort)(PF_ProgPtr effect_ref);
    // A non-zero result means the user asked to stop.
    PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
    PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);
    void* reserved[8];
};

// The subset of the C library the host lends to plug-ins.
struct PF_ANSICallbacks {
    A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
    A_char* (*strcpy)(A_char* dest, const A_char* src);
    void* reserved[6];
};

// Called once per processor (iterations -1) or once per index by iterate_generic.
using PF_IterateGenericFunc = PF_Err (*)(void* refconPV, A_long thread_indexL, A_long i, A_long iterationsL);

struct PF_UtilCallbacks {
    // Host memory handles. A locked handle's address is stable until it is unlocked.
    PF_Handle (*host_new_handle)(A_u_longlong size);
    void* (*host_lock_handle)(PF_Handle pf_handle);
    void (*host_unlock_handle)(PF_Handle pf_handle);
    void (*host_dispose_handle)(PF_Handle pf_handle);
    A_u_longlong (*host_get_handle_size)(PF_Handle pf_handle);
    PF_Err (*host_resize_handle)(A_u_longlong new_sizeL, PF_Handle* handlePH);
    // Optional: null when the host does not offer it.
    PF_Err (*iterate_generic)(A_long iterationsL, void* refconPV, PF_IterateGenericFunc fn_func);
    PF_ANSICallbacks ansi;
    void* reserved[8];
};

using PF_Quality = A_long;

struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    PF_SpecVersion version; // the host's effect specification version
    A_long serial_num;
    A_long appl_id; // four-character code: PF_APPL_ID_AFTER_EFFECTS, PF_APPL_ID_PREMIERE
    A_long num_params;
    A_long reserved;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    PF_Field field;
    PF_Fixed shutter_angle;
    A_long width; // layer size at full resolution
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_InFlags in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long start_sampL;
    A_long dur_sampL;
    A_long total_sampL;
    SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
    PF_Fixed shutter_phase;
};

constexpr int PF_MAX_EFFECT_MSG_LEN = 255;

struct PF_OutData {
    A_u_long my_version;
    A_char name[32];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    PF_OutFlags out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    A_long start_sampL;
    A_long dur_sampL;
    PF_OutFlags2 out_flags2;
};

// Extra record of PF_Cmd_USER_CHANGED_PARAM.
struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
};

// Extra record of PF_Cmd_UPDATE_PARAMS_UI (nothing the plug-ins read).
struct PF_UpdateParamsUIExtra {
    A_long reserved;
};

#pragma once
// Records and callbacks of smart pre-render (PF_Cmd_SMART_PRE_RENDER) and smart render
// (PF_Cmd_SMART_RENDER).

#include "hostapi/PF_Flags.h"
#include "hostapi/PF_ParamDef.h"
#include "hostapi/PF_Types.h"

struct PF_RenderRequest {
    PF_LRect rect;
    PF_Field field;
    PF_ChannelMask channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
    A_char unused[3];
    A_long reserved[4];
};

struct PF_CheckoutResult {
    PF_LRect result_rect;     // the pixels that will be available
    PF_LRect max_result_rect; // the layer's full extent
    PF_RationalScale par;     // pixel aspect ratio of the layer
    A_long solid;
    PF_Boolean reservedB[3];
    A_long ref_width;
    A_long ref_height;
    A_long reserved[6];
};

struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth; // 8, 16 or 32
    A_long reserved[4];
};

using PF_DeletePreRenderDataFunc = void (*)(void* pre_render_data);

struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_Boolean solid;
    PF_Boolean reserved;
    PF_RenderOutputFlags flags;
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_idL,
                             const PF_RenderRequest* req, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_CheckoutResult* checkout_result);
    void* reserved[4];
};

struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth; // 8, 16 or 32 (float)
    void* pre_render_data;
    A_long reserved[4];
};

struct PF_SmartRenderCallbacks {
    // A layer checked out at pre-render; *pixels is null when the host has no pixels for it.
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL, PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
    void* reserved[4];
};

struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
};

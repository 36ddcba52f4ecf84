#pragma once
// Error codes that cross the host boundary.

#include "hostapi/PF_Types.h"

constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = 512;
constexpr PF_Err PF_Err_INVALID_INDEX = 513;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = 514;
constexpr PF_Err PF_Err_INVALID_CALLBACK = 515;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = 516;
constexpr PF_Err PF_Interrupt_CANCEL = 517;
constexpr PF_Err PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518;

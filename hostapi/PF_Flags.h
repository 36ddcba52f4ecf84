#pragma once
// Out flags reported at global setup, render output flags and world flags.

#include "hostapi/PF_Types.h"

using PF_OutFlags = A_long;
using PF_OutFlags2 = A_long;
using PF_InFlags = A_long;
using PF_WorldFlags = A_long;
using PF_RenderOutputFlags = A_short;

constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 0x10;
constexpr PF_OutFlags PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x100;
constexpr PF_OutFlags PF_OutFlag_CUSTOM_UI = 0x8000;
constexpr PF_OutFlags PF_OutFlag_DEEP_COLOR_AWARE = 0x2000000;
constexpr PF_OutFlags PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x4000000;

constexpr PF_OutFlags2 PF_OutFlag2_NONE = 0;
constexpr PF_OutFlags2 PF_OutFlag2_REVEALS_ZERO_ALPHA = 0x80;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_SMART_RENDER = 0x400;
constexpr PF_OutFlags2 PF_OutFlag2_FLOAT_COLOR_AWARE = 0x1000;
constexpr PF_OutFlags2 PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER = 0x8000;

constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1;

constexpr PF_WorldFlags PF_WorldFlag_DEEP = 1;

using PF_Field = A_long;
constexpr PF_Field PF_Field_FRAME = 0;

using PF_ChannelMask = A_long;
constexpr PF_ChannelMask PF_ChannelMask_ALPHA = 1;
constexpr PF_ChannelMask PF_ChannelMask_RED = 2;
constexpr PF_ChannelMask PF_ChannelMask_GREEN = 4;
constexpr PF_ChannelMask PF_ChannelMask_BLUE = 8;
constexpr PF_ChannelMask PF_ChannelMask_ARGB = 15;

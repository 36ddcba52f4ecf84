#pragma once
// Command codes the host passes to EntryPointFunc.

#include "hostapi/PF_Types.h"

constexpr PF_Cmd PF_Cmd_ABOUT = 0;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETUP = 1;
constexpr PF_Cmd PF_Cmd_UNUSED_0 = 2;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETDOWN = 3;
constexpr PF_Cmd PF_Cmd_PARAMS_SETUP = 4;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETUP = 5;
constexpr PF_Cmd PF_Cmd_SEQUENCE_RESETUP = 6;
constexpr PF_Cmd PF_Cmd_SEQUENCE_FLATTEN = 7;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETDOWN = 8;
constexpr PF_Cmd PF_Cmd_DO_DIALOG = 9;
constexpr PF_Cmd PF_Cmd_FRAME_SETUP = 10;
constexpr PF_Cmd PF_Cmd_RENDER = 11;
constexpr PF_Cmd PF_Cmd_FRAME_SETDOWN = 12;
constexpr PF_Cmd PF_Cmd_USER_CHANGED_PARAM = 13;
constexpr PF_Cmd PF_Cmd_UPDATE_PARAMS_UI = 14;
constexpr PF_Cmd PF_Cmd_EVENT = 15;
constexpr PF_Cmd PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16;
constexpr PF_Cmd PF_Cmd_COMPLETELY_GENERAL = 17;
constexpr PF_Cmd PF_Cmd_QUERY_DYNAMIC_FLAGS = 18;
constexpr PF_Cmd PF_Cmd_AUDIO_RENDER = 19;
constexpr PF_Cmd PF_Cmd_AUDIO_SETUP = 20;
constexpr PF_Cmd PF_Cmd_AUDIO_SETDOWN = 21;
constexpr PF_Cmd PF_Cmd_ARBITRARY_CALLBACK = 22;
constexpr PF_Cmd PF_Cmd_SMART_PRE_RENDER = 23;
constexpr PF_Cmd PF_Cmd_SMART_RENDER = 24;

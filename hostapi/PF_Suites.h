#pragma once
// The suites the plug-ins acquire through the basic suite.

#include "hostapi/PF_ParamDef.h"
#include "hostapi/PF_Types.h"

constexpr const char* kPFParamUtilsSuite = "PF Param Utils Suite";
constexpr A_long kPFParamUtilsSuiteVersion1 = 1;

struct PF_ParamUtilsSuite1 {
    // Refreshes the control of a parameter from the given definition (flags, ranges, value).
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef* defP);
    void* reserved[6];
};

constexpr const char* kPFAppSuite = "PF AE App Suite";
constexpr A_long kPFAppSuiteVersion2 = 2;

struct PF_App_Color {
    A_u_short red; // 16-bit components
    A_u_short green;
    A_u_short blue;
};

struct PF_AppSuite2 {
    PF_Err (*PF_AppGetBgColor)(PF_App_Color* bg_colorP);
    void* reserved[6];
};

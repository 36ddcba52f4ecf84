#pragma once
// Everything of the host's effect plug-in interface in one include.

#include "hostapi/PF_Arbitrary.h"
#include "hostapi/PF_Commands.h"
#include "hostapi/PF_EntryPoint.h"
#include "hostapi/PF_Errors.h"
#include "hostapi/PF_Events.h"
#include "hostapi/PF_Flags.h"
#include "hostapi/PF_InOutData.h"
#include "hostapi/PF_ParamDef.h"
#include "hostapi/PF_SmartRender.h"
#include "hostapi/PF_Suites.h"
#include "hostapi/PF_Types.h"
#include "hostapi/SPBasic.h"

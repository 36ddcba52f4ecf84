#pragma once
// What the probe plug-in registers, shared by the plug-in and the tests that drive it.
#include "hostapi/PF_Types.h"

constexpr int kProbeMode = 1;   // popup "copy | level | fill"
constexpr int kProbeAmount = 2; // float slider
constexpr int kProbeCount = 3;  // slider
constexpr int kProbeAngle = 4;
constexpr int kProbeEnabled = 5;
constexpr int kProbeTint = 6;
constexpr int kProbeCentre = 7;
constexpr int kProbeGroup = 8;
constexpr int kProbeLayer = 9;
constexpr int kProbeGroupEnd = 10;
constexpr int kProbeLevel = 11; // arbitrary data
constexpr int kProbeParamCount = 12;
constexpr A_u_long kProbeRefcon = PF_FourCharCode("QZPB");
constexpr double kProbeDefaultLevel = 0.25;

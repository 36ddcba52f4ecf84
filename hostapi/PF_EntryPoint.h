#pragma once
// The one function a plug-in file exports, and the registration record the host reads from the file.

#include "hostapi/PF_InOutData.h"
#include "hostapi/PF_Types.h"

using PF_EntryPointFunc = PF_Err (*)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                     PF_ParamDef* params[], PF_LayerDef* output, void* extra);

constexpr const char* kPF_EntryPointName = "EntryPointFunc";

// Registration record ("PiPL"): on Linux a block in an ELF section of this name in the plug-in file,
// read by the host without loading the code.
constexpr const char* kPiPLSectionName = ".pipl";
constexpr std::size_t kPiPLRecordSize = 310;
constexpr A_short kPiPLVersion = 1;
constexpr A_long kPiPLPropertyCount = 12;

// Four-character codes of the record, stored byte-reversed (as a little-endian multi-character
// constant lies in memory).
constexpr A_u_long kPiPLVendor = PF_FourCharCode("8BIM");
constexpr A_u_long kPiPLKeyKind = PF_FourCharCode("kind");
constexpr A_u_long kPiPLKeyName = PF_FourCharCode("name");
constexpr A_u_long kPiPLKeyCategory = PF_FourCharCode("catg");
constexpr A_u_long kPiPLKeyEntryPoint = PF_FourCharCode("wx86");
constexpr A_u_long kPiPLKeyPiPLVersion = PF_FourCharCode("ePVR");
constexpr A_u_long kPiPLKeySpecVersion = PF_FourCharCode("eSVR");
constexpr A_u_long kPiPLKeyEffectVersion = PF_FourCharCode("eVER");
constexpr A_u_long kPiPLKeyInfoFlags = PF_FourCharCode("eINF");
constexpr A_u_long kPiPLKeyOutFlags = PF_FourCharCode("eGLO");
constexpr A_u_long kPiPLKeyOutFlags2 = PF_FourCharCode("eGL2");
constexpr A_u_long kPiPLKeyMatchName = PF_FourCharCode("eMNA");
constexpr A_u_long kPiPLKeyReserved = PF_FourCharCode("aeFL");
constexpr A_u_long kPiPLKindEffect = PF_FourCharCode("eFKT");

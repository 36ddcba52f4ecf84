#pragma once
// The host's basic suite: acquisition and release of named, versioned suites.

#include "hostapi/PF_Types.h"

using SPErr = A_long;
using SPBoolean = A_u_char;
constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = A_long(PF_FourCharCode("S!Fd"));

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, A_long version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, A_long version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(std::size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, std::size_t newSize, void** newblock);
    SPErr (*Undefined)();
};

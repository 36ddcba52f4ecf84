#pragma once
#include "host/HostParameter.h"
#include "host/PluginRecord.h"

#include <string>

namespace kvhost {

// Plug-in text is in the host's 8-bit Windows code page (the display names carry » and «).
std::string utf8FromWindows1252(const std::string& text);
// "0x06008110"
std::string hex8(A_u_long value);
// A parameter's registered default as a person reads it: popups by item text.
std::string defaultText(const HostParameter& parameter);
// A host error code with its name: "517 (user abort)".
std::string errorText(PF_Err error);

} // namespace kvhost

#pragma once
#include "framework/DebugLog.h"

#include <sstream>
#include <string_view>

namespace korvane {

// Opens a log section for the lifetime of the guard, so that leaveSection runs on every path.
class LogSection {
public:
    LogSection(DebugLog& log, std::string_view message) : log_(log) { log_.enterSection(message); }
    LogSection(DebugLog& log, const std::ostringstream& message) : log_(log) { log_.enterSection(message); }
    ~LogSection() { log_.leaveSection(); }
    LogSection(const LogSection&) = delete;
    LogSection& operator=(const LogSection&) = delete;

private:
    DebugLog& log_;
};

} // namespace korvane

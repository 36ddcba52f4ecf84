#pragma once
#include "platform/CriticalSection.h"
#include "platform/DebugConsole.h"

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

namespace korvane {

// The plug-in's diagnostic log: lines go to a file in the user's home folder and to the debug console.
// Logging is off until the file exists; creating it (it may be empty) turns logging on at the next line.
// Callers compose whole lines, prefixes and the final line feed included.
class DebugLog {
public:
    enum Level : std::int32_t { Info = 1, Warning = 2, Error = 3 };

    static constexpr std::string_view kWarningPrefix = "-**### WARNING ###**-: ";
    static constexpr std::string_view kErrorPrefix = "-**###  ERROR  ###**-: ";
    static constexpr std::string_view kConsoleTitle = "Debug Window";

    // The process-wide log of this plug-in file, named by pluginLogName().
    static DebugLog& instance();

    // relativeName: the log file below the home folder.
    explicit DebugLog(std::string relativeName);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    void write(const std::ostringstream& message, std::int32_t level);
    void write(std::string_view message, std::int32_t level);

    // Writes the message at level Info; lines after it are indented by four more spaces until the matching
    // leaveSection (LogSection pairs the two).
    void enterSection(const std::ostringstream& message);
    void enterSection(std::string_view message);
    void leaveSection();

    std::string path();
    bool isFileOpen();
    bool isConsoleOpen();

private:
    void refresh();
    std::string indented(std::string_view message) const;

    std::string relativeName_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool consoleWanted_ = false;
    std::int32_t minimumLevel_ = Info;
    std::int32_t depth_ = 0;
    CriticalSection lock_;
    DebugConsole console_;
};

// Home folder as the log sees it: HOMEDRIVE + (HOME, else HOMEPATH) + "/", empty when neither is set.
std::string logHomeFolder();

} // namespace korvane

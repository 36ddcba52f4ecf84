#include "framework/DebugLog.h"

#include "framework/PluginIdentity.h"

#include <cstdlib>

namespace korvane {
namespace {

constexpr std::string_view kIndent = "    ";

std::string environmentValue(const char* name, bool* found) {
    const char* value = std::getenv(name);
    *found = value != nullptr;
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::string logHomeFolder() {
    bool found = false;
    std::string folder = environmentValue("HOME", &found);
    if (!found) {
        folder = environmentValue("HOMEPATH", &found);
    }
    if (!found) {
        return {};
    }
    bool driveFound = false;
    return environmentValue("HOMEDRIVE", &driveFound) + folder + "/";
}

DebugLog& DebugLog::instance() {
    static DebugLog log(pluginLogName());
    return log;
}

DebugLog::DebugLog(std::string relativeName) : relativeName_(std::move(relativeName)) {
    CriticalSectionGuard guard(lock_);
    refresh();
}

DebugLog::~DebugLog() {
    console_.close();
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void DebugLog::refresh() {
    if (path_.empty()) {
        path_ = logHomeFolder() + relativeName_;
    }
    if (file_ == nullptr && !path_.empty()) {
        // Probe for reading first: a missing file is never created.
        if (std::FILE* probe = std::fopen(path_.c_str(), "r")) {
            std::fclose(probe);
            file_ = std::fopen(path_.c_str(), "a+");
        }
    }
    if (file_ != nullptr) {
        consoleWanted_ = true;
    }
    if (consoleWanted_) {
        if (!console_.isOpen()) {
            console_.open(kConsoleTitle);
        }
    } else if (console_.isOpen()) {
        console_.close();
    }
}

std::string DebugLog::indented(std::string_view message) const {
    if (depth_ <= 0) {
        return std::string(message);
    }
    std::string indent;
    for (std::int32_t i = 0; i < depth_; ++i) {
        indent += kIndent;
    }
    std::string result;
    bool lineStart = true;
    for (char c : message) {
        if (lineStart) {
            result += indent;
        }
        result += c;
        lineStart = c == '\n';
    }
    return result;
}

void DebugLog::write(const std::ostringstream& message, std::int32_t level) {
    write(message.str(), level);
}

void DebugLog::write(std::string_view message, std::int32_t level) {
    CriticalSectionGuard guard(lock_);
    refresh();
    if (level < minimumLevel_) {
        return;
    }
    if (file_ == nullptr && !console_.isOpen()) {
        return;
    }
    const std::string line = indented(message);
    if (file_ != nullptr) {
        std::fprintf(file_, "%s", line.c_str());
        std::fflush(file_);
    }
    console_.write(line);
}

void DebugLog::enterSection(const std::ostringstream& message) {
    enterSection(message.str());
}

void DebugLog::enterSection(std::string_view message) {
    write(message, Info);
    CriticalSectionGuard guard(lock_);
    ++depth_;
}

void DebugLog::leaveSection() {
    CriticalSectionGuard guard(lock_);
    if (depth_ > 0) {
        --depth_;
    }
}

std::string DebugLog::path() {
    CriticalSectionGuard guard(lock_);
    return path_;
}

bool DebugLog::isFileOpen() {
    CriticalSectionGuard guard(lock_);
    return file_ != nullptr;
}

bool DebugLog::isConsoleOpen() {
    CriticalSectionGuard guard(lock_);
    return console_.isOpen();
}

} // namespace korvane

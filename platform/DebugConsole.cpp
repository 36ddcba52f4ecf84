#include "platform/DebugConsole.h"

#include <cstdio>

namespace korvane {

void DebugConsole::open(std::string_view title) {
    open_ = true;
    title_ = title;
}

void DebugConsole::close() {
    open_ = false;
    title_.clear();
}

void DebugConsole::write(std::string_view text) {
    if (!open_ || text.empty()) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace korvane

#include "host/cli/ProgressLine.h"

#include <unistd.h>

#include <algorithm>

namespace kvhost {

ProgressLine::ProgressLine(std::ostream& err, bool quiet) : err_(err), enabled_(!quiet && ::isatty(2) == 1) {}

ProgressLine::~ProgressLine() {
    done();
}

void ProgressLine::stage(const std::string& text) {
    stage_ = text;
    percent_ = -1;
    if (enabled_) {
        err_ << "\r\033[K" << stage_ << std::flush;
        dirty_ = true;
    }
}

void ProgressLine::fraction(long current, long total) {
    if (!enabled_ || total <= 0) {
        return;
    }
    const int percent = int(std::clamp(current * 100 / total, 0L, 100L));
    if (percent != percent_) {
        percent_ = percent;
        err_ << "\r\033[K" << stage_ << " " << percent << "%" << std::flush;
        dirty_ = true;
    }
}

void ProgressLine::done() {
    if (enabled_ && dirty_) {
        err_ << "\r\033[K" << std::flush;
        dirty_ = false;
    }
}

} // namespace kvhost

#include "host/cli/ProgressLine.h"

#include <unistd.h>

#include <algorithm>

namespace kvhost {

namespace {

constexpr int kWhole = 100;

} // namespace

ProgressLine::ProgressLine(std::ostream& err, bool quiet) : ProgressLine(err, quiet, ::isatty(2) == 1) {}

ProgressLine::ProgressLine(std::ostream& err, bool quiet, bool terminal)
    : err_(err), enabled_(!quiet && terminal) {}

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
    const int percent = int(std::clamp(current * kWhole / total, 0L, long(kWhole)));
    if (percent > percent_) {
        percent_ = percent;
        err_ << "\r\033[K" << stage_ << " " << percent << "%" << std::flush;
        dirty_ = true;
    }
}

void ProgressLine::complete() {
    fraction(kWhole, kWhole);
}

void ProgressLine::done() {
    if (enabled_ && dirty_) {
        err_ << "\r\033[K" << std::flush;
        dirty_ = false;
    }
}

} // namespace kvhost

#include "host/cli/FrameProgress.h"

#include <cmath>
#include <cstdio>

namespace kvhost {

namespace {

constexpr int kBarWidth = 30;

std::string minutesAndSeconds(double seconds) {
    const long whole = long(std::lround(seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string rateText(double framesPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f frames/s", framesPerSecond);
    return text;
}

} // namespace

FrameProgress::FrameProgress(std::ostream& err, bool quiet, bool terminal, long total)
    : err_(err), quiet_(quiet), terminal_(terminal), total_(total) {}

FrameProgress::~FrameProgress() {
    finish();
}

void FrameProgress::written(long frame, const std::string& file) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++rendered_;
    advance("frame " + std::to_string(frame) + ": wrote " + file);
}

void FrameProgress::skipped(long frame, const std::string& file) {
    const std::lock_guard<std::mutex> lock(mutex_);
    advance("frame " + std::to_string(frame) + ": " + file + " is there already, left alone");
}

void FrameProgress::failed() {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    clearBar();
}

void FrameProgress::message(const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    clearBar();
    err_ << line << "\n" << std::flush;
    if (!quiet_ && terminal_) {
        drawBar();
    }
}

void FrameProgress::finish() {
    const std::lock_guard<std::mutex> lock(mutex_);
    clearBar();
}

void FrameProgress::advance(const std::string& line) {
    ++done_;
    if (quiet_) {
        return;
    }
    if (terminal_) {
        drawBar();
        return;
    }
    err_ << "kvhost: " << line << " (" << done_ << "/" << total_ << ")\n" << std::flush;
}

void FrameProgress::drawBar() {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int filled = total_ > 0 ? int(done_ * kBarWidth / total_) : kBarWidth;
    std::string line = "\r\033[K[" + std::string(std::size_t(filled), '#') +
                       std::string(std::size_t(kBarWidth - filled), '-') + "] " + std::to_string(done_) + "/" +
                       std::to_string(total_) + " frames";
    // Frames left alone cost nothing: the rate and the time left count rendered frames only.
    if (rendered_ > 0 && elapsed > 0.0) {
        const double rate = double(rendered_) / elapsed;
        line += "  " + rateText(rate) + "  " + minutesAndSeconds(double(total_ - done_) / rate) + " left";
    }
    err_ << line << std::flush;
    barShown_ = true;
}

void FrameProgress::clearBar() {
    if (barShown_) {
        err_ << "\r\033[K" << std::flush;
        barShown_ = false;
    }
}

} // namespace kvhost

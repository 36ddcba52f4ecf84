#pragma once
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>

namespace kvhost {

// Progress of a run of many frames on standard error. On a terminal: one bar rewritten in place
// ("[#####-----] 12/48 frames  3.1 frames/s  0:11 left"); elsewhere (a log, a pipe, a scheduler's output
// file): one line per frame, so the log tells which frames are done. --quiet silences both; failures are
// not progress and are written by the caller either way. Safe to call from several threads.
class FrameProgress {
public:
    FrameProgress(std::ostream& err, bool quiet, bool terminal, long total);
    ~FrameProgress();
    FrameProgress(const FrameProgress&) = delete;
    FrameProgress& operator=(const FrameProgress&) = delete;

    // A frame written, or left alone because its file was there (skipped).
    void written(long frame, const std::string& file);
    void skipped(long frame, const std::string& file);
    // A frame that failed: counted, the bar cleared so the caller's message stands on its own line.
    void failed();
    // Writes a line of the caller's (a failure, a warning) without tearing the bar.
    void message(const std::string& line);
    // The bar makes way for the summary line.
    void finish();

private:
    void advance(const std::string& line); // mutex held
    void drawBar();                         // mutex held
    void clearBar();                        // mutex held

    std::mutex mutex_;
    std::ostream& err_;
    bool quiet_;
    bool terminal_;
    long total_;
    long done_ = 0;
    long rendered_ = 0;
    bool barShown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace kvhost

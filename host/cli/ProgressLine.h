#pragma once
#include <ostream>
#include <string>

namespace kvhost {

// One line on standard error that shows what the tool is doing ("rendering 45%"), rewritten in place.
// Shown only on a terminal and without --quiet, so that scripts and tests see clean output.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool quiet);
    // `terminal`: whether the line goes to a terminal (the other constructor asks standard error).
    ProgressLine(std::ostream& err, bool quiet, bool terminal);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool shown() const { return enabled_; }
    void stage(const std::string& text);
    // Progress of the current stage; the line changes only when the whole percentage grows. A plug-in
    // starts over for each part of its work (tables, then rows) and reports from one of its threads
    // only: the line never goes back.
    void fraction(long current, long total);
    // The stage is done: 100%.
    void complete();
    // Clears the line.
    void done();

private:
    std::ostream& err_;
    bool enabled_;
    std::string stage_;
    int percent_ = -1;
    bool dirty_ = false;
};

} // namespace kvhost

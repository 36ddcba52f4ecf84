#pragma once
#include <string>
#include <string_view>

namespace korvane {

// The console window that mirrors the log. On Linux its lines go to standard error; opening it only
// records that it is open and what it is titled.
class DebugConsole {
public:
    void open(std::string_view title);
    void close();
    bool isOpen() const { return open_; }
    const std::string& title() const { return title_; }
    // Writes the text as is when the console is open.
    void write(std::string_view text);

private:
    bool open_ = false;
    std::string title_;
};

} // namespace korvane

#pragma once
// Before any test runs, HOME points at a fresh temporary folder holding an empty "korvane/test_ae.log",
// so the process-wide log is on and its lines can be read back.
#include <string>

namespace testlog {

std::string home();
std::string logPath();
std::string contents();

} // namespace testlog

#pragma once
// Before any test runs, HOME points at a fresh temporary folder holding an empty log file, so the
// process-wide log is on and the editor's lines can be read back.
#include <string>

namespace korvane::test {

std::string logContents();

} // namespace korvane::test

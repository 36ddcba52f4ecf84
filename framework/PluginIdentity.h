#pragma once

namespace korvane {

// Log file of this plug-in file, relative to the user's home folder ("korvane/morrowby_ae.log").
// Defined once per plug-in file in its entry source; test programs link kv_test_identity or define it.
const char* pluginLogName();

} // namespace korvane

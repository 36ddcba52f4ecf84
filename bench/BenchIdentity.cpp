// The log name of the benchmark programs, which link the framework without being a plug-in file.
#include "framework/PluginIdentity.h"

namespace korvane {

const char* pluginLogName() {
    return "korvane/bench_ae.log";
}

} // namespace korvane

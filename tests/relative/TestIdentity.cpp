// The log name of the Relative test programs, which link the framework without being a plug-in file.
#include "framework/PluginIdentity.h"

namespace korvane {

const char* pluginLogName() {
    return "korvane/relative_test_ae.log";
}

} // namespace korvane

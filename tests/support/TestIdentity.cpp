// The log name of the test programs, which link the framework without being a plug-in file.
#include "framework/PluginIdentity.h"

namespace korvane {

const char* pluginLogName() {
    return "korvane/test_ae.log";
}

} // namespace korvane

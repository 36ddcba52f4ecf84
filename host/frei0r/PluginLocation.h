#pragma once
#include <string>
#include <vector>

namespace kvhost {

// Where a frei0r module looks for its effect file, in this order: the folder named by KV_PLUGIN_DIR when
// it is set and not empty, the module's own folder, and the folder "kv-curves" beside the module's
// folder (lib/kv-curves next to lib/frei0r-1, as the package installs them).
std::vector<std::string> pluginFolders(const std::string& moduleFolder, const char* pluginDirVariable);

// The first of the folders that holds `fileName`; throws HostError naming the file and every folder tried.
std::string findPlugin(const std::string& fileName, const std::vector<std::string>& folders);

// The folder of the shared object that holds this code (the module file itself).
std::string folderOfThisModule();

} // namespace kvhost

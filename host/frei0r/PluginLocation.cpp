#include "host/frei0r/PluginLocation.h"

#include "host/HostError.h"

#include <dlfcn.h>

#include <filesystem>

namespace kvhost {

namespace fs = std::filesystem;

std::vector<std::string> pluginFolders(const std::string& moduleFolder, const char* pluginDirVariable) {
    std::vector<std::string> folders;
    if (pluginDirVariable && *pluginDirVariable) {
        folders.emplace_back(pluginDirVariable);
    }
    if (!moduleFolder.empty()) {
        folders.push_back(moduleFolder);
        folders.push_back((fs::path(moduleFolder).parent_path() / "kv-curves").string());
    }
    return folders;
}

std::string findPlugin(const std::string& fileName, const std::vector<std::string>& folders) {
    std::string tried;
    for (const std::string& folder : folders) {
        const fs::path candidate = fs::path(folder) / fileName;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate.string();
        }
        tried += (tried.empty() ? "" : ", ") + folder;
    }
    throw HostError("the effect file " + fileName + " is in none of " +
                    (tried.empty() ? std::string("the folders (none known)") : tried) +
                    " (set KV_PLUGIN_DIR to its folder)");
}

std::string folderOfThisModule() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&folderOfThisModule), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::error_code error;
    const fs::path file = fs::weakly_canonical(fs::path(info.dli_fname), error);
    return (error ? fs::path(info.dli_fname) : file).parent_path().string();
}

} // namespace kvhost

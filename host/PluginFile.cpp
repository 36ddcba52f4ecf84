#include "host/PluginFile.h"

#include "host/ElfSection.h"
#include "host/HostError.h"

#include <dlfcn.h>

#include <filesystem>

namespace kvhost {

namespace {

std::string takeLoaderError() {
    const char* text = dlerror();
    return text ? std::string(text) : std::string();
}

} // namespace

PluginRecord PluginFile::readRecord(const std::string& path) {
    const std::vector<std::uint8_t> file = ElfSection::readFile(path);
    const auto section = ElfSection::find(file, kPiPLSectionName, path);
    if (!section) {
        throw HostError(path + ": no " + std::string(kPiPLSectionName) + " section (no registration record)");
    }
    return PluginRecord::parse(*section, path);
}

PluginFile::PluginFile(const std::string& path) : path_(path), record_(readRecord(path)) {
    // An absolute path keeps dlopen from searching the library path for a bare file name.
    const std::string absolute = std::filesystem::absolute(path).string();
    takeLoaderError();
    library_ = dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        loaderMessage_ = takeLoaderError();
        throw HostError(path + ": cannot load: " + loaderMessage_);
    }
    void* entry = dlsym(library_, record_.entryPointName.c_str());
    if (!entry) {
        loaderMessage_ = takeLoaderError();
        dlclose(library_);
        library_ = nullptr;
        throw HostError(path + ": no entry point " + record_.entryPointName);
    }
    entryPoint_ = reinterpret_cast<PF_EntryPointFunc>(entry);
}

PluginFile::~PluginFile() {
    if (library_) {
        dlclose(library_);
    }
}

void* PluginFile::symbol(const std::string& name) const {
    return library_ ? dlsym(library_, name.c_str()) : nullptr;
}

} // namespace kvhost

#pragma once
#include "host/PluginRecord.h"
#include "hostapi/PF_EntryPoint.h"

#include <string>

namespace kvhost {

// A plug-in file: its registration record, read from the ELF section ".pipl" without running any of
// its code, and then the loaded library with its entry point.
class PluginFile {
public:
    // Throws HostError with one line naming the file and what is wrong.
    explicit PluginFile(const std::string& path);
    ~PluginFile();
    PluginFile(const PluginFile&) = delete;
    PluginFile& operator=(const PluginFile&) = delete;

    // Only the record, without loading the library.
    static PluginRecord readRecord(const std::string& path);

    const std::string& path() const { return path_; }
    const PluginRecord& record() const { return record_; }
    PF_EntryPointFunc entryPoint() const { return entryPoint_; }
    // What the dynamic loader said while loading, empty when it said nothing.
    const std::string& loaderMessage() const { return loaderMessage_; }
    // Any other exported symbol (test plug-ins export controls); null when absent.
    void* symbol(const std::string& name) const;

private:
    std::string path_;
    PluginRecord record_;
    void* library_ = nullptr;
    PF_EntryPointFunc entryPoint_ = nullptr;
    std::string loaderMessage_;
};

} // namespace kvhost

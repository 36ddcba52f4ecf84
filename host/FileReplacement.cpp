#include "host/FileReplacement.h"

#include "host/HostError.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> serial{0};

fs::path folderOf(const std::string& destination) {
    const fs::path parent = fs::path(destination).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

} // namespace

void FileReplacement::checkFolder(const std::string& destination) {
    if (destination.empty()) {
        throw HostError("an output file name is empty");
    }
    if (fs::path(destination).filename().empty()) {
        throw HostError(destination + ": names a folder, not a file");
    }
    std::error_code error;
    if (fs::is_directory(destination, error)) {
        throw HostError(destination + ": is a folder, not a file");
    }
    const fs::path folder = folderOf(destination);
    const fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found) {
        throw HostError(destination + ": the folder " + folder.string() + " does not exist");
    }
    if (error || status.type() != fs::file_type::directory) {
        throw HostError(destination + ": " + folder.string() + " is not a folder");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw HostError(destination + ": the folder " + folder.string() + " is not writable");
    }
}

FileReplacement::FileReplacement(std::string destination) : destination_(std::move(destination)) {
    checkFolder(destination_);
    const fs::path target(destination_);
    // Hidden, unique per process and call, and with the destination's extension so that writers that
    // look at the name see the right format.
    const std::string name = "." + target.stem().string() + ".kvhost-" + std::to_string(::getpid()) + "-" +
                             std::to_string(serial++) + target.extension().string();
    temporary_ = (folderOf(destination_) / name).string();
}

FileReplacement::~FileReplacement() {
    if (!committed_) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

void FileReplacement::write(const std::string& bytes) {
    std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) {
        throw HostError(destination_ + ": cannot be written");
    }
}

void FileReplacement::commit() {
    std::error_code error;
    fs::rename(temporary_, destination_, error);
    if (error) {
        throw HostError(destination_ + ": cannot be written: " + error.message());
    }
    committed_ = true;
}

} // namespace kvhost

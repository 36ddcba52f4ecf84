#pragma once
#include <string>

namespace kvhost {

// A file written beside its destination and renamed over it once complete, so that the destination is
// either the old file, or the whole new one: never a partial file, not even after a failure.
class FileReplacement {
public:
    // Throws HostError naming the destination when its folder does not exist or is not a folder.
    explicit FileReplacement(std::string destination);
    // Removes the temporary file unless it was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& destination() const { return destination_; }
    // Where to write: in the destination's folder, with the destination's extension.
    const std::string& temporaryPath() const { return temporary_; }
    // Writes `bytes` to the temporary file; throws HostError naming the destination.
    void write(const std::string& bytes);
    // Renames the temporary file over the destination; throws HostError naming the destination.
    void commit();

    // The checks of the constructor alone, for a file that will be written later.
    static void checkFolder(const std::string& destination);

private:
    std::string destination_;
    std::string temporary_;
    bool committed_ = false;
};

} // namespace kvhost

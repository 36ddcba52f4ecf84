#pragma once
#include <string>

namespace kvhost {

// An output file, written so that nothing is ever left half-written:
// - a regular file (or a new one) is written beside itself under a hidden temporary name and renamed over
//   the destination once complete, so the destination is either the old file or the whole new one, even
//   when the output is the input file (the input is read whole before any output is written);
// - a symbolic link is followed to the file it ends at, which is replaced that way in its own folder
//   (the link stays a link);
// - a pipe or a character device (/dev/stdout, /dev/null) cannot be replaced: it is written straight
//   through, with no temporary file and no rename, when the output is committed;
// - any other special file (block device, socket) is refused.
class FileReplacement {
public:
    // Throws HostError naming the destination when it cannot be written as above.
    explicit FileReplacement(std::string destination);
    // Removes the temporary file unless it was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& destination() const { return destination_; }
    // True for a pipe or device: the caller hands the bytes to write() instead of writing a file itself.
    bool straightThrough() const { return straightThrough_; }
    // Where to write a regular file: in the target's folder, with the destination's extension. Empty for
    // a pipe or device.
    const std::string& temporaryPath() const { return temporary_; }
    // The whole content: into the temporary file, or kept for a pipe or device until commit. Throws
    // HostError naming the destination.
    void write(const std::string& bytes);
    // Renames the temporary file over the target (keeping the target's permissions), or writes the kept
    // bytes to the pipe or device. Throws HostError naming the destination.
    void commit();

    // The checks of the constructor alone, for a file that will be written later; true when the
    // destination is a pipe or device that is written straight through.
    static bool checkDestination(const std::string& destination);

    // Removes every temporary file not yet committed. Safe to call from a signal handler: a tool with
    // handlers of its own calls it there.
    static void removeTemporaries() noexcept;
    // Installs handlers for SIGINT, SIGTERM and SIGHUP (where they are not ignored) that remove the
    // temporary files and then end the process by the same signal, as without the handler. Nothing can
    // clean up after SIGKILL: a hidden ".NAME.kvhost-PID-N.EXT" file may stay beside the output.
    static void removeTemporariesOnSignals();

private:
    std::string destination_;
    std::string target_; // the destination, or the file its symbolic links end at
    std::string temporary_;
    std::string straightBytes_;
    bool straightThrough_ = false;
    bool committed_ = false;
    int registration_ = -1;
};

} // namespace kvhost

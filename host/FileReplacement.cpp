#include "host/FileReplacement.h"

#include "host/HostError.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> serial{0};

// Links beyond this many hops are a loop, as the system's own limit says.
constexpr int kMostLinkHops = 40;

// ---- temporary files a signal handler removes ---------------------------------------------------
// A fixed table that the handler reads without allocating or locking: a slot is claimed, its path
// copied, then published; the handler unlinks published paths only.
constexpr int kTemporarySlots = 64;
constexpr std::size_t kLongestTemporaryPath = 4096;
constexpr int kSlotFree = 0;
constexpr int kSlotClaimed = 1;
constexpr int kSlotPublished = 2;

struct TemporarySlot {
    std::atomic<int> state{kSlotFree};
    char path[kLongestTemporaryPath];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots without locks");

TemporarySlot temporarySlots[kTemporarySlots];

int registerTemporary(const std::string& path) {
    if (path.size() >= kLongestTemporaryPath) {
        return -1;
    }
    for (int i = 0; i < kTemporarySlots; ++i) {
        int expected = kSlotFree;
        if (temporarySlots[i].state.compare_exchange_strong(expected, kSlotClaimed)) {
            std::memcpy(temporarySlots[i].path, path.c_str(), path.size() + 1);
            temporarySlots[i].state.store(kSlotPublished, std::memory_order_release);
            return i;
        }
    }
    return -1; // more outputs in flight than slots: this one is removed by its destructor only
}

void unregisterTemporary(int slot) {
    if (slot >= 0) {
        temporarySlots[slot].state.store(kSlotFree, std::memory_order_release);
    }
}

extern "C" void removeTemporariesAndDie(int signal) {
    FileReplacement::removeTemporaries();
    // The handler was installed with SA_RESETHAND: the signal now has its default action again.
    ::raise(signal);
}

// ---- what a destination is -------------------------------------------------------------------------

fs::path folderOf(const fs::path& path) {
    const fs::path parent = path.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A file descriptor of a process (/dev/stdout leads to /proc/self/fd/1): its links name no file that
// could be replaced.
bool isDescriptor(const fs::path& path) {
    const std::string text = path.string();
    return text.rfind("/proc/", 0) == 0 && text.find("/fd/") != std::string::npos;
}

struct Destination {
    fs::path target;
    bool straightThrough = false;
};

// The file a chain of symbolic links ends at (it need not exist), or a descriptor on the way.
Destination endOfLinks(const std::string& destination) {
    fs::path current(destination);
    for (int hops = 0; hops <= kMostLinkHops; ++hops) {
        std::error_code error;
        if (isDescriptor(current)) {
            return Destination{fs::path(destination), true};
        }
        if (fs::symlink_status(current, error).type() != fs::file_type::symlink) {
            return Destination{current, false};
        }
        const fs::path next = fs::read_symlink(current, error);
        if (error) {
            throw HostError(destination + ": the symbolic link " + current.string() +
                            " cannot be read: " + error.message());
        }
        current = next.is_absolute() ? next : folderOf(current) / next;
    }
    throw HostError(destination + ": too many levels of symbolic links");
}

Destination examine(const std::string& destination) {
    if (destination.empty()) {
        throw HostError("an output file name is empty");
    }
    if (fs::path(destination).filename().empty()) {
        throw HostError(destination + ": names a folder, not a file");
    }
    std::error_code error;
    const fs::file_type reached = fs::status(destination, error).type(); // through every link
    Destination d = endOfLinks(destination);
    if (reached == fs::file_type::fifo || reached == fs::file_type::character) {
        d = Destination{fs::path(destination), true};
    }
    const bool linked = d.target != fs::path(destination);
    const std::string linkNote = linked ? " (the end of the symbolic link " + destination + ")" : "";
    if (d.straightThrough) {
        if (::access(destination.c_str(), W_OK) != 0) {
            throw HostError(destination + ": cannot be written (no permission)");
        }
        return d;
    }
    const fs::file_status status = fs::symlink_status(d.target, error);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::regular:
        break;
    case fs::file_type::directory:
        throw HostError(destination + ": is a folder, not a file" + linkNote);
    case fs::file_type::block:
        throw HostError(destination + ": is a block device" + linkNote + "; kvhost writes files, pipes and " +
                        "character devices only");
    case fs::file_type::socket:
        throw HostError(destination + ": is a socket" + linkNote + "; kvhost writes files, pipes and " +
                        "character devices only");
    default:
        throw HostError(destination + ": is not a regular file" + linkNote + "; kvhost writes files, pipes " +
                        "and character devices only");
    }
    const fs::path folder = folderOf(d.target);
    const fs::file_status folderStatus = fs::status(folder, error);
    if (folderStatus.type() == fs::file_type::not_found) {
        throw HostError(destination + ": the folder " + folder.string() + " does not exist");
    }
    if (error || folderStatus.type() != fs::file_type::directory) {
        throw HostError(destination + ": " + folder.string() + " is not a folder");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw HostError(destination + ": the folder " + folder.string() + " is not writable");
    }
    return d;
}

void writeAll(int descriptor, const std::string& bytes, const std::string& destination) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = errno;
            ::close(descriptor);
            throw HostError(destination + ": cannot be written: " + std::strerror(error));
        }
        done += std::size_t(written);
    }
}

} // namespace

bool FileReplacement::checkDestination(const std::string& destination) {
    return examine(destination).straightThrough;
}

FileReplacement::FileReplacement(std::string destination) : destination_(std::move(destination)) {
    const Destination d = examine(destination_);
    target_ = d.target.string();
    straightThrough_ = d.straightThrough;
    if (straightThrough_) {
        return;
    }
    // Hidden, unique per process and call, and with the destination's extension so that writers that
    // look at the name see the right format.
    const fs::path given(destination_);
    const std::string name = "." + d.target.stem().string() + ".kvhost-" + std::to_string(::getpid()) + "-" +
                             std::to_string(serial++) + given.extension().string();
    temporary_ = (folderOf(d.target) / name).string();
    registration_ = registerTemporary(temporary_);
}

FileReplacement::~FileReplacement() {
    if (!committed_ && !temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
    unregisterTemporary(registration_);
}

void FileReplacement::write(const std::string& bytes) {
    if (straightThrough_) {
        straightBytes_ = bytes;
        return;
    }
    std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) {
        throw HostError(destination_ + ": cannot be written");
    }
}

void FileReplacement::commit() {
    if (straightThrough_) {
        // A descriptor that leads to a regular file (stdout sent to a file) is written from its start.
        std::error_code ignored;
        const bool regular = fs::is_regular_file(target_, ignored);
        const int descriptor =
            ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (regular ? O_TRUNC : 0));
        if (descriptor < 0) {
            throw HostError(destination_ + ": cannot be opened for writing: " + std::strerror(errno));
        }
        writeAll(descriptor, straightBytes_, destination_);
        if (::close(descriptor) != 0 && errno != EINTR) {
            throw HostError(destination_ + ": cannot be written: " + std::strerror(errno));
        }
        committed_ = true;
        return;
    }
    std::error_code error;
    const fs::file_status old = fs::status(target_, error);
    if (!error && old.type() == fs::file_type::regular) {
        fs::permissions(temporary_, old.permissions(), error); // a replaced file keeps who may read it
    }
    fs::rename(temporary_, target_, error);
    if (error) {
        throw HostError(destination_ + ": cannot be written: " + error.message());
    }
    committed_ = true;
    unregisterTemporary(registration_);
    registration_ = -1;
}

void FileReplacement::removeTemporaries() noexcept {
    for (TemporarySlot& slot : temporarySlots) {
        if (slot.state.load(std::memory_order_acquire) == kSlotPublished) {
            ::unlink(slot.path);
        }
    }
}

void FileReplacement::removeTemporariesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue; // a signal the caller chose to ignore (nohup) stays ignored
        }
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace kvhost

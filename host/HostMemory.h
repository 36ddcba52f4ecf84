#pragma once
#include "hostapi/PF_Types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvhost {

// One host memory handle as the accounting sees it.
struct HandleInfo {
    std::uint64_t serial = 0; // creation order, from 1
    std::uint64_t size = 0;
    int lockCount = 0;
    std::string owner; // what the host keeps it as ("sequence data", "curve value"); empty: nobody
};

// The host's memory handles: new, lock, unlock, dispose, size, resize. Every handle is counted, so a
// handle the plug-in leaks or leaves locked is found after the command, and a bad handle (unknown,
// already disposed, unlocked more often than locked) is recorded as a fault instead of crashing.
// Thread-safe: plug-in worker threads allocate scratch memory through it.
class HostMemory {
public:
    HostMemory();
    ~HostMemory();
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    // ---- what the plug-in calls (through PF_UtilCallbacks) ----
    // Null when the allocation fails, really or by injection.
    PF_Handle newHandle(std::uint64_t size);
    void* lock(PF_Handle handle);
    void unlock(PF_Handle handle);
    void dispose(PF_Handle handle);
    std::uint64_t size(PF_Handle handle);
    PF_Err resize(std::uint64_t newSize, PF_Handle* handle);

    // ---- what the host does itself (never fails by injection) ----
    // A new handle holding `bytes`, owned by the host as `owner`.
    PF_Handle hostHandle(const std::vector<std::uint8_t>& bytes, const std::string& owner);
    // The handle's bytes; empty for a handle that is not live.
    std::vector<std::uint8_t> bytes(PF_Handle handle) const;
    bool isLive(PF_Handle handle) const;
    // The host takes (or gives up, with an empty owner) responsibility for a live handle.
    void setOwner(PF_Handle handle, const std::string& owner);
    // Disposes of a handle the host owns, if it is still live.
    void hostDispose(PF_Handle handle);

    // ---- accounting ----
    std::size_t liveCount() const;
    HandleInfo info(PF_Handle handle) const;
    // Live handles nobody owns. Each is returned once: it is then owned as "leaked".
    std::vector<HandleInfo> takeLeaks();
    // Live handles with a lock count above 0.
    std::vector<HandleInfo> lockedHandles() const;
    // Misuse recorded since the last call (one line each).
    std::vector<std::string> takeFaults();
    // A fault found outside the memory's own checks (an exception in a memory callback).
    void recordFault(const std::string& line);
    // Allocations the plug-in asked for so far.
    std::uint64_t allocationCount() const;

    // ---- failure injection (counted over the plug-in's allocations from now on, from 1) ----
    void failAllocation(std::uint64_t nth);
    void failAllocationsAfter(std::uint64_t count);
    // The nth lock the plug-in asks for from now on (from 1) gives null, as a host's lock of a purged
    // handle does; the handle stays unlocked.
    void failLock(std::uint64_t nth);
    void clearFailures();

    // The memory that the plug-in's callbacks reach during a command. Callbacks carry no context, so
    // the host makes its memory current for the duration of each call into the plug-in.
    static HostMemory* active();
    class Activation {
    public:
        explicit Activation(HostMemory& memory);
        ~Activation();
        Activation(const Activation&) = delete;
        Activation& operator=(const Activation&) = delete;

    private:
        HostMemory* previous_;
    };

private:
    struct Block;
    Block* findLocked(PF_Handle handle, const char* operation); // mutex held
    void retire(PF_Handle handle);                              // mutex held
    void fault(const std::string& line);                        // mutex held
    PF_Handle create(std::uint64_t size, const std::string& owner);

    mutable std::mutex mutex_;
    std::unordered_map<PF_Handle, std::unique_ptr<Block>> blocks_;
    // Disposed blocks keep their master pointer's address, so a handle value is never given out twice:
    // a stale handle stays unknown instead of naming a newer block.
    std::vector<std::unique_ptr<Block>> disposed_;
    std::vector<std::string> faults_;
    std::uint64_t serial_ = 0;
    std::uint64_t allocations_ = 0;
    std::uint64_t failNth_ = 0;   // 0: none
    std::uint64_t failAfter_ = 0; // valid when failAfterSet_
    bool failAfterSet_ = false;
    std::uint64_t locks_ = 0;
    std::uint64_t failLockNth_ = 0; // 0: none

    static std::atomic<HostMemory*> active_;
};

} // namespace kvhost

#pragma once
// A small in-process host for the callbacks: memory handles with lock counts, and switches that make
// the next allocation or every lock fail. Also the host of the in-process fuzz targets.
#include "hostapi/PF_InOutData.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace korvane::test {

class FakeHost {
public:
    FakeHost() {
        current_ = this;
        utils_.host_new_handle = &newHandle;
        utils_.host_lock_handle = &lockHandle;
        utils_.host_unlock_handle = &unlockHandle;
        utils_.host_dispose_handle = &disposeHandle;
        utils_.host_get_handle_size = &handleSize;
        inData_.utils = &utils_;
    }
    ~FakeHost() { current_ = nullptr; }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    PF_InData* inData() { return &inData_; }
    const PF_UtilCallbacks& utils() const { return utils_; }

    bool failAllocations = false;
    bool failLocks = false;

    PF_Handle make(std::size_t size) { return newHandle(size); }
    int liveHandles() const { return int(blocks_.size()); }
    int lockedHandles() const {
        int n = 0;
        for (const auto& [handle, block] : blocks_) {
            n += block->locks > 0 ? 1 : 0;
        }
        return n;
    }
    bool owns(PF_Handle h) const { return blocks_.count(h) != 0; }
    // Unlocks of a handle that was not locked, and disposals of a locked one.
    int misuses() const { return misuses_; }
    // The handle's bytes without going through a lock.
    template <class T>
    T& contents(PF_Handle h) {
        return *reinterpret_cast<T*>(blocks_.at(h)->bytes.data());
    }

private:
    struct Block {
        void* master = nullptr;
        std::vector<char> bytes;
        int locks = 0;
    };

    static PF_Handle newHandle(A_u_longlong size) {
        if (current_->failAllocations) {
            return nullptr;
        }
        auto block = std::make_unique<Block>();
        block->bytes.assign(std::size_t(size), char(0x5a)); // host memory is not cleared
        block->master = block->bytes.data();
        PF_Handle handle = &block->master;
        current_->blocks_[handle] = std::move(block);
        return handle;
    }
    static void* lockHandle(PF_Handle h) {
        if (current_->failLocks) {
            return nullptr;
        }
        Block& b = *current_->blocks_.at(h);
        ++b.locks;
        return b.master;
    }
    static void unlockHandle(PF_Handle h) {
        Block& b = *current_->blocks_.at(h);
        if (b.locks == 0) {
            ++current_->misuses_;
            return;
        }
        --b.locks;
    }
    static void disposeHandle(PF_Handle h) {
        if (current_->blocks_.at(h)->locks > 0) {
            ++current_->misuses_;
        }
        current_->blocks_.erase(h);
    }
    static A_u_longlong handleSize(PF_Handle h) { return current_->blocks_.at(h)->bytes.size(); }

    inline static FakeHost* current_ = nullptr;
    std::map<PF_Handle, std::unique_ptr<Block>> blocks_;
    int misuses_ = 0;
    PF_UtilCallbacks utils_{};
    PF_InData inData_{};
};

} // namespace korvane::test

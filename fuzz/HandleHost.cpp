#include "fuzz/HandleHost.h"

#include "fuzz/FuzzCheck.h"

namespace korvane::fuzz {

HandleHost* HandleHost::current_ = nullptr;

HandleHost::HandleHost() {
    current_ = this;
    utils_.host_new_handle = &newHandle;
    utils_.host_lock_handle = &lockHandle;
    utils_.host_unlock_handle = &unlockHandle;
    utils_.host_dispose_handle = &disposeHandle;
    utils_.host_get_handle_size = &handleSize;
    inData_.utils = &utils_;
}

HandleHost::~HandleHost() {
    current_ = nullptr;
}

int HandleHost::lockedHandles() const {
    int count = 0;
    for (const auto& [handle, block] : blocks_) {
        count += block->locks > 0 ? 1 : 0;
    }
    return count;
}

std::vector<char> HandleHost::bytes(PF_Handle handle) const {
    const auto found = blocks_.find(handle);
    require(found != blocks_.end(), "a live handle");
    return found->second->bytes;
}

HandleHost::Block& HandleHost::blockOf(PF_Handle handle) {
    const auto found = current_->blocks_.find(handle);
    require(found != current_->blocks_.end(), "the plug-in names a live handle");
    return *found->second;
}

PF_Handle HandleHost::newHandle(A_u_longlong size) {
    auto block = std::make_unique<Block>();
    // Host memory is not cleared: the plug-in must fill what it reads.
    block->bytes.assign(std::size_t(size), char(0x5a));
    block->master = block->bytes.data();
    PF_Handle handle = &block->master;
    current_->blocks_[handle] = std::move(block);
    return handle;
}

void* HandleHost::lockHandle(PF_Handle handle) {
    Block& block = blockOf(handle);
    ++block.locks;
    return block.master;
}

void HandleHost::unlockHandle(PF_Handle handle) {
    Block& block = blockOf(handle);
    require(block.locks > 0, "a handle is unlocked only while locked");
    --block.locks;
}

void HandleHost::disposeHandle(PF_Handle handle) {
    require(blockOf(handle).locks == 0, "a handle is disposed of unlocked");
    current_->blocks_.erase(handle);
}

A_u_longlong HandleHost::handleSize(PF_Handle handle) {
    return blockOf(handle).bytes.size();
}

} // namespace korvane::fuzz

#include "EditorHarness.h"

#include <string>

namespace korvane::test {

HostServices::HostServices() {
    current_ = this;
    utils_.host_new_handle = &newHandle;
    utils_.host_lock_handle = &lockHandle;
    utils_.host_unlock_handle = &unlockHandle;
    utils_.host_dispose_handle = &disposeHandle;
    utils_.host_get_handle_size = &handleSize;
    basic_.AcquireSuite = &acquireSuite;
    basic_.ReleaseSuite = &releaseSuite;
    appSuite_.PF_AppGetBgColor = &appBackgroundColour;
    inData_.utils = &utils_;
    inData_.pica_basicP = &basic_;
}

HostServices::~HostServices() {
    if (current_ == this) {
        current_ = nullptr;
    }
}

int HostServices::lockedHandles() const {
    int n = 0;
    for (const auto& [handle, block] : blocks_) {
        n += block->locks > 0 ? 1 : 0;
    }
    return n;
}

PF_Handle HostServices::newHandle(A_u_longlong size) {
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

void* HostServices::lockHandle(PF_Handle h) {
    if (current_->failLocks) {
        return nullptr;
    }
    Block& b = *current_->blocks_.at(h);
    ++b.locks;
    return b.master;
}

void HostServices::unlockHandle(PF_Handle h) {
    --current_->blocks_.at(h)->locks;
}

void HostServices::disposeHandle(PF_Handle h) {
    current_->blocks_.erase(h);
}

A_u_longlong HostServices::handleSize(PF_Handle h) {
    return current_->blocks_.at(h)->bytes.size();
}

SPErr HostServices::acquireSuite(const char* name, A_long version, const void** suite) {
    if (current_->offerAppSuite && std::string(name) == kPFAppSuite && version == kPFAppSuiteVersion2) {
        *suite = &current_->appSuite_;
        ++current_->suitesHeld_;
        return kSPNoError;
    }
    return kSPSuiteNotFoundError;
}

SPErr HostServices::releaseSuite(const char*, A_long) {
    --current_->suitesHeld_;
    return kSPNoError;
}

PF_Err HostServices::appBackgroundColour(PF_App_Color* colour) {
    *colour = current_->appBackground;
    return PF_Err_NONE;
}

} // namespace korvane::test

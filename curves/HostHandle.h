#pragma once
#include "hostapi/PF_InOutData.h"

#include <cstddef>

namespace korvane {

// A host memory handle locked for the lifetime of this object. A handle smaller than the record it
// must hold is not locked at all, so nothing reads past its end.
class HostHandleLock {
public:
    HostHandleLock(const PF_UtilCallbacks& utils, PF_Handle handle, std::size_t minimumSize)
        : utils_(utils), handle_(handle) {
        if (handle_ == nullptr || utils_.host_lock_handle == nullptr ||
            utils_.host_unlock_handle == nullptr) {
            return;
        }
        if (utils_.host_get_handle_size != nullptr && utils_.host_get_handle_size(handle_) < minimumSize) {
            return;
        }
        data_ = utils_.host_lock_handle(handle_);
    }
    ~HostHandleLock() {
        if (data_ != nullptr) {
            utils_.host_unlock_handle(handle_);
        }
    }
    HostHandleLock(const HostHandleLock&) = delete;
    HostHandleLock& operator=(const HostHandleLock&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    void* data() const { return data_; }
    template <class T>
    T& as() const {
        return *static_cast<T*>(data_);
    }

private:
    const PF_UtilCallbacks& utils_;
    PF_Handle handle_;
    void* data_ = nullptr;
};

// A new host handle that is disposed of again unless it is handed on with release().
class OwnedHostHandle {
public:
    OwnedHostHandle(const PF_UtilCallbacks& utils, std::size_t size)
        : utils_(utils), handle_(utils.host_new_handle != nullptr ? utils.host_new_handle(size) : nullptr) {}
    ~OwnedHostHandle() {
        if (handle_ != nullptr && utils_.host_dispose_handle != nullptr) {
            utils_.host_dispose_handle(handle_);
        }
    }
    OwnedHostHandle(const OwnedHostHandle&) = delete;
    OwnedHostHandle& operator=(const OwnedHostHandle&) = delete;

    PF_Handle get() const { return handle_; }
    PF_Handle release() {
        PF_Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    const PF_UtilCallbacks& utils_;
    PF_Handle handle_;
};

} // namespace korvane

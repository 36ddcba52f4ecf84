#pragma once
// Host memory handles for the in-process fuzz targets: counted, so that a handle left live or locked
// after a callback shows.
#include "hostapi/PF_InOutData.h"

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

namespace korvane::fuzz {

class HandleHost {
public:
    HandleHost();
    ~HandleHost();
    HandleHost(const HandleHost&) = delete;
    HandleHost& operator=(const HandleHost&) = delete;

    PF_InData* inData() { return &inData_; }
    std::size_t liveHandles() const { return blocks_.size(); }
    int lockedHandles() const;
    std::vector<char> bytes(PF_Handle handle) const;

private:
    struct Block {
        void* master = nullptr;
        std::vector<char> bytes;
        int locks = 0;
    };
    static PF_Handle newHandle(A_u_longlong size);
    static void* lockHandle(PF_Handle handle);
    static void unlockHandle(PF_Handle handle);
    static void disposeHandle(PF_Handle handle);
    static A_u_longlong handleSize(PF_Handle handle);
    static Block& blockOf(PF_Handle handle);

    PF_UtilCallbacks utils_{};
    PF_InData inData_{};
    std::map<PF_Handle, std::unique_ptr<Block>> blocks_;
    static HandleHost* current_;
};

} // namespace korvane::fuzz

#include "host/HostMemory.h"

#include "hostapi/PF_Errors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace kvhost {

namespace {

// New handles hold this byte rather than zeros, as the real host gives no promise about their content:
// a plug-in that forgets to initialise shows it in the tests.
constexpr std::uint8_t kFreshByte = 0xA5;
// Larger requests are refused rather than attempted: no image of this product needs 64 GiB.
constexpr std::uint64_t kLargestHandle = std::uint64_t(1) << 36;

std::string handleText(PF_Handle handle) {
    std::ostringstream text;
    text << static_cast<const void*>(handle);
    return text.str();
}

} // namespace

// The handle given out is the address of `data`, the block's master pointer.
struct HostMemory::Block {
    void* data = nullptr;
    HandleInfo info;
    ~Block() { std::free(data); }
};

void HostMemory::retire(PF_Handle handle) {
    const auto found = blocks_.find(handle);
    if (found == blocks_.end()) {
        return;
    }
    std::free(found->second->data);
    found->second->data = nullptr;
    disposed_.push_back(std::move(found->second));
    blocks_.erase(found);
}

std::atomic<HostMemory*> HostMemory::active_{nullptr};

HostMemory::HostMemory() = default;
HostMemory::~HostMemory() = default;

HostMemory* HostMemory::active() {
    return active_.load();
}

HostMemory::Activation::Activation(HostMemory& memory) : previous_(active_.exchange(&memory)) {}
HostMemory::Activation::~Activation() {
    active_.store(previous_);
}

PF_Handle HostMemory::create(std::uint64_t size, const std::string& owner) {
    if (size > kLargestHandle) {
        return nullptr;
    }
    auto block = std::make_unique<Block>();
    block->data = std::malloc(std::size_t(size == 0 ? 1 : size));
    if (!block->data) {
        return nullptr;
    }
    std::memset(block->data, kFreshByte, std::size_t(size));
    block->info.serial = ++serial_;
    block->info.size = size;
    block->info.owner = owner;
    PF_Handle handle = &block->data;
    blocks_.emplace(handle, std::move(block));
    return handle;
}

PF_Handle HostMemory::newHandle(std::uint64_t size) {
    std::lock_guard lock(mutex_);
    const std::uint64_t number = ++allocations_;
    if (number == failNth_ || (failAfterSet_ && number > failAfter_)) {
        return nullptr;
    }
    return create(size, std::string());
}

PF_Handle HostMemory::hostHandle(const std::vector<std::uint8_t>& bytes, const std::string& owner) {
    std::lock_guard lock(mutex_);
    PF_Handle handle = create(bytes.size(), owner);
    if (!handle) {
        throw std::bad_alloc();
    }
    if (!bytes.empty()) {
        std::memcpy(*handle, bytes.data(), bytes.size());
    }
    return handle;
}

HostMemory::Block* HostMemory::findLocked(PF_Handle handle, const char* operation) {
    const auto found = blocks_.find(handle);
    if (found == blocks_.end()) {
        fault(std::string(operation) + " of " +
              (handle ? "an unknown handle " + handleText(handle) : "a null handle"));
        return nullptr;
    }
    return found->second.get();
}

void HostMemory::recordFault(const std::string& line) {
    std::lock_guard lock(mutex_);
    fault(line);
}

void HostMemory::fault(const std::string& line) {
    faults_.push_back(line);
}

void* HostMemory::lock(PF_Handle handle) {
    std::lock_guard lock(mutex_);
    Block* block = findLocked(handle, "lock");
    if (!block || ++locks_ == failLockNth_) {
        return nullptr;
    }
    ++block->info.lockCount;
    return block->data;
}

void HostMemory::unlock(PF_Handle handle) {
    std::lock_guard lock(mutex_);
    Block* block = findLocked(handle, "unlock");
    if (!block) {
        return;
    }
    if (block->info.lockCount == 0) {
        fault("unlock of handle #" + std::to_string(block->info.serial) + " that is not locked");
        return;
    }
    --block->info.lockCount;
}

void HostMemory::dispose(PF_Handle handle) {
    std::lock_guard lock(mutex_);
    Block* block = findLocked(handle, "dispose");
    if (!block) {
        return;
    }
    if (block->info.lockCount > 0) {
        fault("dispose of handle #" + std::to_string(block->info.serial) + " while it is locked");
    }
    retire(handle);
}

std::uint64_t HostMemory::size(PF_Handle handle) {
    std::lock_guard lock(mutex_);
    Block* block = findLocked(handle, "size");
    return block ? block->info.size : 0;
}

PF_Err HostMemory::resize(std::uint64_t newSize, PF_Handle* handle) {
    std::lock_guard lock(mutex_);
    if (!handle) {
        fault("resize without a handle");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    Block* block = findLocked(*handle, "resize");
    if (!block) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (block->info.lockCount > 0) {
        // Its address must stay stable while it is locked.
        fault("resize of handle #" + std::to_string(block->info.serial) + " while it is locked");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::uint64_t number = ++allocations_;
    if (number == failNth_ || (failAfterSet_ && number > failAfter_) || newSize > kLargestHandle) {
        return PF_Err_OUT_OF_MEMORY;
    }
    void* grown = std::realloc(block->data, std::size_t(newSize == 0 ? 1 : newSize));
    if (!grown) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if (newSize > block->info.size) {
        std::memset(static_cast<std::uint8_t*>(grown) + block->info.size, kFreshByte,
                    std::size_t(newSize - block->info.size));
    }
    block->data = grown;
    block->info.size = newSize;
    return PF_Err_NONE;
}

std::vector<std::uint8_t> HostMemory::bytes(PF_Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto found = blocks_.find(handle);
    if (found == blocks_.end()) {
        return {};
    }
    const auto* data = static_cast<const std::uint8_t*>(found->second->data);
    return std::vector<std::uint8_t>(data, data + found->second->info.size);
}

bool HostMemory::isLive(PF_Handle handle) const {
    std::lock_guard lock(mutex_);
    return blocks_.count(handle) != 0;
}

void HostMemory::setOwner(PF_Handle handle, const std::string& owner) {
    std::lock_guard lock(mutex_);
    const auto found = blocks_.find(handle);
    if (found != blocks_.end()) {
        found->second->info.owner = owner;
    }
}

void HostMemory::hostDispose(PF_Handle handle) {
    std::lock_guard lock(mutex_);
    retire(handle);
}

std::size_t HostMemory::liveCount() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

HandleInfo HostMemory::info(PF_Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto found = blocks_.find(handle);
    return found == blocks_.end() ? HandleInfo{} : found->second->info;
}

std::vector<HandleInfo> HostMemory::takeLeaks() {
    std::lock_guard lock(mutex_);
    std::vector<HandleInfo> leaks;
    for (auto& [handle, block] : blocks_) {
        if (block->info.owner.empty()) {
            block->info.owner = "leaked";
            leaks.push_back(block->info);
        }
    }
    std::sort(leaks.begin(), leaks.end(), [](const auto& a, const auto& b) { return a.serial < b.serial; });
    return leaks;
}

std::vector<HandleInfo> HostMemory::lockedHandles() const {
    std::lock_guard lock(mutex_);
    std::vector<HandleInfo> locked;
    for (const auto& [handle, block] : blocks_) {
        if (block->info.lockCount > 0) {
            locked.push_back(block->info);
        }
    }
    std::sort(locked.begin(), locked.end(), [](const auto& a, const auto& b) { return a.serial < b.serial; });
    return locked;
}

std::vector<std::string> HostMemory::takeFaults() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(faults_);
    return taken;
}

std::uint64_t HostMemory::allocationCount() const {
    std::lock_guard lock(mutex_);
    return allocations_;
}

void HostMemory::failAllocation(std::uint64_t nth) {
    std::lock_guard lock(mutex_);
    failNth_ = nth == 0 ? 0 : allocations_ + nth;
}

void HostMemory::failAllocationsAfter(std::uint64_t count) {
    std::lock_guard lock(mutex_);
    failAfter_ = allocations_ + count;
    failAfterSet_ = true;
}

void HostMemory::failLock(std::uint64_t nth) {
    std::lock_guard lock(mutex_);
    failLockNth_ = nth == 0 ? 0 : locks_ + nth;
}

void HostMemory::clearFailures() {
    std::lock_guard lock(mutex_);
    failNth_ = 0;
    failLockNth_ = 0;
    failAfterSet_ = false;
}

} // namespace kvhost

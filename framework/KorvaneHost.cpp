#include "framework/KorvaneHost.h"

#include "platform/SystemInfo.h"

#include <algorithm>
#include <new>

namespace korvane {

KorvaneHost::KorvaneHost(std::string name, std::string maker, std::string description, std::int32_t major,
                         std::int32_t minor, std::int32_t bugfix)
    : KorvanePlugin(std::move(name), std::move(maker), std::move(description), major, minor, bugfix) {}

KorvaneHost::~KorvaneHost() {
    // Workers may still call the callables; stop them first.
    threadPool_.stopAll();
}

void KorvaneHost::setErrorMessage(std::string /*text*/) {}

std::int32_t KorvaneHost::progress(std::int32_t current, std::int32_t total) {
    if (!progressCallable_) {
        return noError();
    }
    return progressCallable_(current, total) ? noError() : abortError();
}

void* KorvaneHost::allocate(std::size_t size) {
    if (allocationCallable_) {
        return allocationCallable_(size);
    }
    return new (std::nothrow) std::byte[size];
}

void KorvaneHost::release(void* memory) {
    if (releaseCallable_) {
        releaseCallable_(memory);
        return;
    }
    delete[] static_cast<std::byte*>(memory);
}

std::int32_t KorvaneHost::threadCount(std::int32_t requested) {
    std::int32_t count =
        threadCountOverride_ > 0 ? threadCountOverride_ : std::min(processorCount(), ThreadPool::kMaxThreads);
    if (requested > 0 && requested < count) {
        count = requested;
    }
    return count;
}

std::int32_t KorvaneHost::runParallel(std::int32_t count, void* userData, ParallelJob job) {
    threadPool_.setThreadCount(threadCount(-1));
    return threadPool_.run(count, userData, job);
}

void KorvaneHost::frameRange(double* /*first*/, double* /*last*/) {}

} // namespace korvane

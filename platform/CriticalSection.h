#pragma once
#include <mutex>

namespace korvane {

// A lock for one thread at a time. Not recursive: a thread that holds it must not take it again.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock();
    void unlock();

private:
    std::mutex mutex_;
};

// Holds a critical section for the lifetime of the guard.
class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CriticalSection& section) : section_(section) { section_.lock(); }
    ~CriticalSectionGuard() { section_.unlock(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CriticalSection& section_;
};

} // namespace korvane

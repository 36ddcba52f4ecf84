#pragma once
#include "hostapi/SPBasic.h"

#include <string>
#include <vector>

namespace korvane {

// Suites acquired on first use and released together when the cache goes. A suite the host cannot give
// raises KorvaneHostError(PF_Err_BAD_CALLBACK_PARAM). Used on the host's thread only.
class SuiteCache {
public:
    SuiteCache() = default;
    ~SuiteCache();
    SuiteCache(const SuiteCache&) = delete;
    SuiteCache& operator=(const SuiteCache&) = delete;

    const void* acquire(const char* name, A_long version);

    template <class Suite>
    const Suite* get(const char* name, A_long version) {
        return static_cast<const Suite*>(acquire(name, version));
    }

    void releaseAll();

private:
    struct Entry {
        std::string name;
        A_long version;
        const void* suite;
        SPBasicSuite* basic;
    };
    std::vector<Entry> entries_;
};

// Acquires a suite for one scope and releases it on every path out of it.
template <class Suite>
class ScopedSuite {
public:
    ScopedSuite(const char* name, A_long version);
    ~ScopedSuite();
    ScopedSuite(const ScopedSuite&) = delete;
    ScopedSuite& operator=(const ScopedSuite&) = delete;

    const Suite* operator->() const { return suite_; }
    const Suite* get() const { return suite_; }

private:
    const char* name_;
    A_long version_;
    SPBasicSuite* basic_ = nullptr;
    const Suite* suite_ = nullptr;
};

// Acquires through the process-wide basic suite; throws KorvaneHostError(516) on failure.
const void* acquireSuite(const char* name, A_long version, SPBasicSuite** basicUsed);

template <class Suite>
ScopedSuite<Suite>::ScopedSuite(const char* name, A_long version) : name_(name), version_(version) {
    suite_ = static_cast<const Suite*>(acquireSuite(name, version, &basic_));
}

template <class Suite>
ScopedSuite<Suite>::~ScopedSuite() {
    if (basic_ != nullptr && basic_->ReleaseSuite != nullptr) {
        basic_->ReleaseSuite(name_, version_);
    }
}

} // namespace korvane

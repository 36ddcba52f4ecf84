#include "framework/SuiteCache.h"

#include "framework/BasicSuite.h"
#include "framework/KorvaneException.h"
#include "hostapi/PF_Errors.h"

namespace korvane {

const void* acquireSuite(const char* name, A_long version, SPBasicSuite** basicUsed) {
    SPBasicSuite* basic = basicSuite();
    if (basic == nullptr || basic->AcquireSuite == nullptr) {
        throw KorvaneHostError(PF_Err_BAD_CALLBACK_PARAM);
    }
    const void* suite = nullptr;
    const SPErr err = basic->AcquireSuite(name, version, &suite);
    if (err != kSPNoError) {
        throw KorvaneHostError(PF_Err_BAD_CALLBACK_PARAM);
    }
    if (suite == nullptr) {
        // Acquired but unusable: give it back before failing.
        if (basic->ReleaseSuite != nullptr) {
            basic->ReleaseSuite(name, version);
        }
        throw KorvaneHostError(PF_Err_BAD_CALLBACK_PARAM);
    }
    *basicUsed = basic;
    return suite;
}

SuiteCache::~SuiteCache() {
    releaseAll();
}

const void* SuiteCache::acquire(const char* name, A_long version) {
    for (const Entry& entry : entries_) {
        if (entry.version == version && entry.name == name) {
            return entry.suite;
        }
    }
    entries_.reserve(entries_.size() + 1);
    SPBasicSuite* basic = nullptr;
    const void* suite = acquireSuite(name, version, &basic);
    entries_.push_back(Entry{name, version, suite, basic});
    return suite;
}

void SuiteCache::releaseAll() {
    for (const Entry& entry : entries_) {
        if (entry.basic->ReleaseSuite != nullptr) {
            entry.basic->ReleaseSuite(entry.name.c_str(), entry.version);
        }
    }
    entries_.clear();
}

} // namespace korvane

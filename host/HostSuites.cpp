#include "host/HostSuites.h"

#include "hostapi/PF_Errors.h"

#include <cstdlib>
#include <cstring>

namespace kvhost {

namespace {

std::string suiteKey(const std::string& name, A_long version) {
    return name + " v" + std::to_string(version);
}

SPErr acquireSuite(const char* name, A_long version, const void** suite) {
    HostSuites* suites = HostSuites::active();
    if (!suites) {
        if (suite) {
            *suite = nullptr;
        }
        return kSPSuiteNotFoundError;
    }
    return suites->acquire(name, version, suite);
}

SPErr releaseSuite(const char* name, A_long version) {
    HostSuites* suites = HostSuites::active();
    return suites ? suites->release(name, version) : kSPSuiteNotFoundError;
}

SPBoolean isEqual(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

SPErr allocateBlock(std::size_t size, void** block) {
    *block = std::malloc(size == 0 ? 1 : size);
    return *block ? kSPNoError : kSPSuiteNotFoundError;
}

SPErr freeBlock(void* block) {
    std::free(block);
    return kSPNoError;
}

SPErr reallocateBlock(void* block, std::size_t size, void** grown) {
    *grown = std::realloc(block, size == 0 ? 1 : size);
    return *grown ? kSPNoError : kSPSuiteNotFoundError;
}

SPErr undefined() {
    return kSPSuiteNotFoundError;
}

PF_Err noInstance(PF_ProgPtr, PF_ParamIndex, const PF_ParamDef*) {
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err appBackgroundColour(PF_App_Color* colour) {
    HostSuites* suites = HostSuites::active();
    if (!suites) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!colour) {
        suites->fault("PF_AppGetBgColor without a colour");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *colour = suites->backgroundColour();
    return PF_Err_NONE;
}

} // namespace

thread_local HostSuites* HostSuites::active_ = nullptr;

HostSuites::HostSuites() {
    basic_.AcquireSuite = acquireSuite;
    basic_.ReleaseSuite = releaseSuite;
    basic_.IsEqual = isEqual;
    basic_.AllocateBlock = allocateBlock;
    basic_.FreeBlock = freeBlock;
    basic_.ReallocateBlock = reallocateBlock;
    basic_.Undefined = undefined;
    paramUtils_.PF_UpdateParamUI = noInstance;
    app_.PF_AppGetBgColor = appBackgroundColour;
}

HostSuites* HostSuites::active() {
    return active_;
}

HostSuites::Activation::Activation(HostSuites& suites) : previous_(active_) {
    active_ = &suites;
}
HostSuites::Activation::~Activation() {
    active_ = previous_;
}

void HostSuites::withhold(const std::string& name, bool withheld) {
    std::lock_guard lock(mutex_);
    if (withheld) {
        withheld_.insert(name);
    } else {
        withheld_.erase(name);
    }
}

SPErr HostSuites::acquire(const char* name, A_long version, const void** suite) {
    if (suite) {
        *suite = nullptr;
    }
    if (!suite || !name) {
        fault("AcquireSuite without a name or a result pointer");
        return kSPSuiteNotFoundError;
    }
    std::lock_guard lock(mutex_);
    const std::string key = suiteKey(name, version);
    if (withheld_.count(name) == 0) {
        if (std::strcmp(name, kPFParamUtilsSuite) == 0 && version == kPFParamUtilsSuiteVersion1) {
            *suite = &paramUtils_;
        } else if (std::strcmp(name, kPFAppSuite) == 0 && version == kPFAppSuiteVersion2) {
            *suite = &app_;
        }
    }
    if (!*suite) {
        ++counts_[key].refused;
        return kSPSuiteNotFoundError;
    }
    ++counts_[key].acquired;
    return kSPNoError;
}

SPErr HostSuites::release(const char* name, A_long version) {
    if (!name) {
        fault("ReleaseSuite without a name");
        return kSPSuiteNotFoundError;
    }
    std::lock_guard lock(mutex_);
    const std::string key = suiteKey(name, version);
    Count& count = counts_[key];
    if (count.released >= count.acquired) {
        faults_.push_back("release of suite " + key + " that is not acquired");
        return kSPSuiteNotFoundError;
    }
    ++count.released;
    return kSPNoError;
}

std::map<std::string, int> HostSuites::outstanding() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, int> result;
    for (const auto& [key, count] : counts_) {
        if (count.acquired > count.released) {
            result[key] = count.acquired - count.released;
        }
    }
    return result;
}

int HostSuites::countOf(const std::string& name, int Count::*field) const {
    std::lock_guard lock(mutex_);
    int total = 0;
    for (const auto& [key, count] : counts_) {
        if (key.compare(0, name.size() + 2, name + " v") == 0) {
            total += count.*field;
        }
    }
    return total;
}

int HostSuites::acquisitions(const std::string& name) const {
    return countOf(name, &Count::acquired);
}
int HostSuites::releases(const std::string& name) const {
    return countOf(name, &Count::released);
}
int HostSuites::refusals(const std::string& name) const {
    return countOf(name, &Count::refused);
}

void HostSuites::fault(const std::string& line) {
    std::lock_guard lock(mutex_);
    faults_.push_back(line);
}

std::vector<std::string> HostSuites::takeFaults() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(faults_);
    return taken;
}

} // namespace kvhost

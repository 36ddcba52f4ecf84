#pragma once
#include "hostapi/PF_Suites.h"
#include "hostapi/SPBasic.h"

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kvhost {

// The basic suite and the suites it hands out: "PF Param Utils Suite" version 1 and "PF AE App Suite"
// version 2. Either can be withheld to test a plug-in's path for a host without it. Every acquisition
// and release is counted, so a suite that is never released is found after the command.
class HostSuites {
public:
    HostSuites();
    HostSuites(const HostSuites&) = delete;
    HostSuites& operator=(const HostSuites&) = delete;

    SPBasicSuite* basicSuite() { return &basic_; }

    // PF_UpdateParamUI is answered by the effect instance that effect_ref names.
    using ParamUIHandler = PF_Err (*)(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def);
    void setParamUIHandler(ParamUIHandler handler) { paramUtils_.PF_UpdateParamUI = handler; }

    void withhold(const std::string& name, bool withheld = true);
    void setBackgroundColour(PF_App_Color colour) { background_ = colour; }
    PF_App_Color backgroundColour() const { return background_; }

    // Per "name vN": acquisitions not yet released (only entries above 0).
    std::map<std::string, int> outstanding() const;
    int acquisitions(const std::string& name) const;
    int releases(const std::string& name) const;
    int refusals(const std::string& name) const;
    std::vector<std::string> takeFaults();
    // A call with bad arguments, kept for the command's report.
    void fault(const std::string& line);

    // The suites that the plug-in's basic-suite calls reach during a command.
    static HostSuites* active();
    class Activation {
    public:
        explicit Activation(HostSuites& suites);
        ~Activation();
        Activation(const Activation&) = delete;
        Activation& operator=(const Activation&) = delete;

    private:
        HostSuites* previous_;
    };

    SPErr acquire(const char* name, A_long version, const void** suite);
    SPErr release(const char* name, A_long version);

private:
    struct Count {
        int acquired = 0;
        int released = 0;
        int refused = 0;
    };
    int countOf(const std::string& name, int Count::*field) const;

    SPBasicSuite basic_{};
    PF_ParamUtilsSuite1 paramUtils_{};
    PF_AppSuite2 app_{};
    PF_App_Color background_{0x4A00, 0x4A00, 0x4A00};
    std::set<std::string> withheld_;
    mutable std::mutex mutex_;
    std::map<std::string, Count> counts_; // by "name vN"
    std::vector<std::string> faults_;

    // Per thread: the plug-in acquires suites on the thread that runs the command, and instances run
    // commands on threads of their own at once.
    static thread_local HostSuites* active_;
};

} // namespace kvhost

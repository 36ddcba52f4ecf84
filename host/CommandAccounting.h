#pragma once
#include "host/CommandReport.h"
#include "host/HostMemory.h"
#include "host/HostSuites.h"
#include "hostapi/AE_Effect.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// The accounts one effect instance keeps of what its plug-in holds: the global and sequence data it
// hands back, the values its commands make, the parameters it has checked out; and per command a
// CommandReport of what the command left behind (handles leaked or left locked, parameters not checked
// in, suites not released, faults).
class CommandAccounting {
public:
    CommandAccounting(HostMemory& memory, HostSuites& suites) : memory_(memory), suites_(suites) {}
    CommandAccounting(const CommandAccounting&) = delete;
    CommandAccounting& operator=(const CommandAccounting&) = delete;

    // ---- one outermost command (the arbitrary callbacks inside it are part of it) ----
    // Before it: the suites acquired already are not its to release.
    void begin();
    // Takes in what the plug-in handed back after `command` (any depth): global and sequence data become
    // the host's, a replaced one is the plug-in's to free, a value an arbitrary callback made or the
    // pre-render data is the host's to keep.
    void adopt(const PF_OutData& out, PF_Cmd command, void* extra);
    // After it: its report, with the parameters the host had to check in and everything found since begin().
    CommandReport& report(const char* name, PF_Err result, std::vector<std::string> paramsNotCheckedIn);
    // Handles found leaked after the last command (pre-render data still live once the plug-in was told
    // to free it), charged to that command as `owner`, with the memory's faults since.
    void reportLate(const std::string& owner);
    // A bad call or a bad value, for the report of the command in flight (or the next one).
    void fault(const std::string& line) { faults_.push_back(line); }

    // ---- global and sequence data ----
    PF_Handle globalData() const { return globalData_; }
    PF_Handle sequenceData() const { return sequenceData_; }
    bool sequenceIsFlat() const { return sequenceFlat_; }
    // A flatten or resetup that failed and kept the data leaves it as flat as it was.
    void keepSequenceFlat(bool flat) { sequenceFlat_ = flat; }
    // Stored bytes become the sequence data: flat, in a handle the host owns until the resetup.
    void storeFlatSequence(const std::vector<std::uint8_t>& flat);

    // ---- parameters checked out by the plug-in ----
    struct ParamCheckout {
        int index = 0;
        PF_Handle temporary = nullptr; // arbitrary value made for this checkout
    };
    // Records a checkout into `def` (checked in first when it was checked out already).
    void checkOut(PF_ParamDef* def, ParamCheckout checkout) { paramCheckouts_[def] = checkout; }
    // The checkout into `def`, now over; none when `def` is not checked out.
    std::optional<ParamCheckout> checkIn(PF_ParamDef* def);
    // One checkout still open (the first by its definition's address), now over; none when none is.
    std::optional<ParamCheckout> takeOpenCheckout();

    // ---- reports ----
    const std::vector<CommandReport>& reports() const { return reports_; }
    // An empty report before the first command.
    const CommandReport& lastReport() const;
    // The last command's report, for the caller's own findings about it; requires a command.
    CommandReport& latest() { return reports_.back(); }
    // All reports joined; empty when every command was clean.
    std::string problems() const;
    void clearReports() { reports_.clear(); }

private:
    void adoptGlobalData(PF_Handle given, PF_Cmd command);
    void adoptSequenceData(PF_Handle given, PF_Cmd command);
    void adoptMadeValue(PF_Cmd command, void* extra);

    HostMemory& memory_;
    HostSuites& suites_;
    PF_Handle globalData_ = nullptr;
    PF_Handle sequenceData_ = nullptr;
    bool sequenceFlat_ = false;
    std::map<std::string, int> suitesBefore_;
    std::map<PF_ParamDef*, ParamCheckout> paramCheckouts_;
    std::vector<std::string> faults_;
    std::vector<CommandReport> reports_;
};

} // namespace kvhost

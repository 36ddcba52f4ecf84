#include "host/CommandAccounting.h"

namespace kvhost {

void CommandAccounting::begin() {
    suitesBefore_ = suites_.outstanding();
}

void CommandAccounting::adopt(const PF_OutData& out, PF_Cmd command, void* extra) {
    adoptGlobalData(out.global_data, command);
    adoptSequenceData(out.sequence_data, command);
    adoptMadeValue(command, extra);
}

void CommandAccounting::adoptGlobalData(PF_Handle given, PF_Cmd command) {
    if (given != globalData_) {
        if (globalData_ && memory_.isLive(globalData_)) {
            memory_.setOwner(globalData_, std::string()); // the plug-in replaced it: its to free
        }
        if (given && !memory_.isLive(given)) {
            fault("global data is not a live host handle");
            globalData_ = nullptr;
        } else {
            globalData_ = given;
            memory_.setOwner(globalData_, "global data");
        }
    }
    if (command == PF_Cmd_GLOBAL_SETDOWN && globalData_) {
        memory_.setOwner(globalData_, std::string());
        globalData_ = nullptr;
    }
}

void CommandAccounting::adoptSequenceData(PF_Handle given, PF_Cmd command) {
    PF_Handle previous = sequenceData_;
    if (given != sequenceData_) {
        if (given && !memory_.isLive(given)) {
            fault("sequence data is not a live host handle");
            sequenceData_ = nullptr;
        } else {
            sequenceData_ = given;
            memory_.setOwner(sequenceData_, "sequence data");
        }
        if (previous && memory_.isLive(previous)) {
            if (command == PF_Cmd_SEQUENCE_RESETUP) {
                memory_.hostDispose(previous); // the flat copy belongs to the host
            } else {
                memory_.setOwner(previous, std::string());
            }
        }
    } else if (sequenceData_ && !memory_.isLive(sequenceData_) && command != PF_Cmd_SEQUENCE_SETDOWN) {
        fault("sequence data disposed without a replacement");
        sequenceData_ = nullptr;
    }
    if (command == PF_Cmd_SEQUENCE_SETUP || command == PF_Cmd_SEQUENCE_RESETUP) {
        sequenceFlat_ = false;
    } else if (command == PF_Cmd_SEQUENCE_FLATTEN) {
        sequenceFlat_ = true;
    } else if (command == PF_Cmd_SEQUENCE_SETDOWN) {
        if (sequenceData_ && memory_.isLive(sequenceData_)) {
            memory_.setOwner(sequenceData_, std::string());
        }
        sequenceData_ = nullptr;
    }
}

void CommandAccounting::adoptMadeValue(PF_Cmd command, void* extra) {
    if (!extra) {
        return;
    }
    if (command == PF_Cmd_ARBITRARY_CALLBACK) {
        // A value the callback made is the host's from now on; the caller names it.
        const auto* arb = static_cast<PF_ArbParamsExtra*>(extra);
        PF_ArbitraryH* made = nullptr;
        switch (arb->which_function) {
        case PF_Arbitrary_NEW_FUNC:
            made = arb->u.new_func_params.arbPH;
            break;
        case PF_Arbitrary_COPY_FUNC:
            made = arb->u.copy_func_params.dst_arbPH;
            break;
        case PF_Arbitrary_UNFLATTEN_FUNC:
            made = arb->u.unflatten_func_params.arbPH;
            break;
        case PF_Arbitrary_INTERP_FUNC:
            made = arb->u.interp_func_params.interpPH;
            break;
        default:
            break;
        }
        if (made && *made && memory_.isLive(*made)) {
            memory_.setOwner(*made, "arbitrary value");
        }
    } else if (command == PF_Cmd_SMART_PRE_RENDER) {
        const auto* pre = static_cast<PF_PreRenderExtra*>(extra);
        auto handle = static_cast<PF_Handle>(pre->output->pre_render_data);
        if (handle && memory_.isLive(handle)) {
            memory_.setOwner(handle, "pre-render data");
        }
    }
}

CommandReport& CommandAccounting::report(const char* name, PF_Err result,
                                         std::vector<std::string> paramsNotCheckedIn) {
    CommandReport& r = reports_.emplace_back();
    r.command = name;
    r.result = result;
    r.paramsNotCheckedIn = std::move(paramsNotCheckedIn);
    r.leakedHandles = memory_.takeLeaks();
    r.lockedHandles = memory_.lockedHandles();
    for (const auto& [key, count] : suites_.outstanding()) {
        const auto before = suitesBefore_.find(key);
        const int earlier = before == suitesBefore_.end() ? 0 : before->second;
        if (count > earlier) {
            r.suitesNotReleased.push_back(key);
        }
    }
    for (std::string& f : memory_.takeFaults()) {
        r.faults.push_back(std::move(f));
    }
    for (std::string& f : suites_.takeFaults()) {
        r.faults.push_back(std::move(f));
    }
    for (std::string& f : faults_) {
        r.faults.push_back(std::move(f));
    }
    faults_.clear();
    return r;
}

void CommandAccounting::reportLate(const std::string& owner) {
    CommandReport& last = reports_.back();
    for (HandleInfo& leak : memory_.takeLeaks()) {
        leak.owner = owner;
        last.leakedHandles.push_back(leak);
    }
    for (std::string& f : memory_.takeFaults()) {
        last.faults.push_back(std::move(f));
    }
}

void CommandAccounting::storeFlatSequence(const std::vector<std::uint8_t>& flat) {
    sequenceData_ = memory_.hostHandle(flat, "flat sequence data");
    sequenceFlat_ = true;
}

std::optional<CommandAccounting::ParamCheckout> CommandAccounting::checkIn(PF_ParamDef* def) {
    const auto found = paramCheckouts_.find(def);
    if (found == paramCheckouts_.end()) {
        return std::nullopt;
    }
    const ParamCheckout checkout = found->second;
    paramCheckouts_.erase(found);
    return checkout;
}

std::optional<CommandAccounting::ParamCheckout> CommandAccounting::takeOpenCheckout() {
    if (paramCheckouts_.empty()) {
        return std::nullopt;
    }
    return checkIn(paramCheckouts_.begin()->first);
}

const CommandReport& CommandAccounting::lastReport() const {
    static const CommandReport none;
    return reports_.empty() ? none : reports_.back();
}

std::string CommandAccounting::problems() const {
    std::string text;
    for (const CommandReport& r : reports_) {
        text += r.describe();
    }
    return text;
}

} // namespace kvhost

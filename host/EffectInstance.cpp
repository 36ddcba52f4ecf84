#include "host/EffectInstance.h"

#include "host/EffectCallbacks.h"
#include "host/HostError.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace kvhost {

namespace {

class RunningScope {
public:
    RunningScope(EffectInstance*& running, EffectInstance* instance) : running_(running), previous_(running) {
        running_ = instance;
    }
    ~RunningScope() { running_ = previous_; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    EffectInstance*& running_;
    EffectInstance* previous_;
};

std::string hex(A_u_long value) {
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

} // namespace

thread_local EffectInstance* EffectInstance::running_ = nullptr;

EffectInstance::EffectInstance(const PluginFile& plugin) : plugin_(plugin) {
    installCallbacks(utils_);
    memorySlot_ = takeMemorySlot(utils_);
    suites_.setParamUIHandler(updateParamUITrampoline);
    // Parameter 0 is the input layer, which the host supplies.
    PF_ParamDef input{};
    input.param_type = PF_Param_LAYER;
    std::strcpy(input.name, "input layer");
    parameters_.push_back(std::make_unique<HostParameter>(0, input));
}

EffectInstance::~EffectInstance() {
    try {
        setDown();
    } catch (...) {
        // The instance goes away regardless; what failed is in the reports.
    }
    releaseMemorySlot(memorySlot_);
}

void EffectInstance::setDown() {
    if (sequenceSetUp_) {
        sequenceSetdown();
    }
    disposeArbitraryValues();
    if (globalSetUp_) {
        globalSetdown();
    }
}

void EffectInstance::fail(const std::string& what) const {
    throw HostError(plugin_.path() + ": " + what);
}

void EffectInstance::setTimeScale(A_u_long timeScale, A_long timeStep, A_long totalTime) {
    if (timeScale == 0 || timeStep <= 0) {
        throw HostError("time scale and time step must be above 0");
    }
    timeScale_ = timeScale;
    timeStep_ = timeStep;
    totalTime_ = totalTime;
}

void EffectInstance::setCurrentSeconds(double seconds) {
    currentTime_ = A_long(std::lround(seconds * double(timeScale_)));
}

HostParameter& EffectInstance::parameter(int index) {
    checkIndex(index);
    return *parameters_[std::size_t(index)];
}

const HostParameter& EffectInstance::parameter(int index) const {
    checkIndex(index);
    return *parameters_[std::size_t(index)];
}

HostParameter& EffectInstance::parameter(const std::string& name) {
    for (auto& p : parameters_) {
        if (p->name() == name) {
            return *p;
        }
    }
    fail("no parameter named \"" + name + "\"");
}

void EffectInstance::checkIndex(int index) const {
    if (index < 0 || index >= parameterCount()) {
        fail("no parameter with index " + std::to_string(index));
    }
}

// ---- running one command ----------------------------------------------------------------------

PF_InData EffectInstance::makeInData() {
    PF_InData in{};
    installInteractCallbacks(in.inter);
    in.utils = &utils_;
    in.effect_ref = &ref_;
    in.quality = 1;
    in.version = specVersion_;
    in.appl_id = applicationId_;
    in.num_params = parameterCount();
    in.current_time = currentTime_;
    in.time_step = timeStep_;
    in.total_time = totalTime_;
    in.local_time_step = timeStep_;
    in.time_scale = timeScale_;
    in.field = PF_Field_FRAME;
    in.width = session_.layerWidth();
    in.height = session_.layerHeight();
    in.extent_hint = PF_LRect{0, 0, in.width, in.height};
    in.downsample_x = session_.downsampleX();
    in.downsample_y = session_.downsampleY();
    in.pixel_aspect_ratio = session_.pixelAspect();
    in.global_data = accounting_.globalData();
    in.sequence_data = accounting_.sequenceData();
    in.pica_basicP = suites_.basicSuite();
    return in;
}

PF_Err EffectInstance::run(PF_Cmd command, const char* name, PF_LayerDef* output, void* extra) {
    HostMemory::Activation memoryActive(memory_);
    HostSuites::Activation suitesActive(suites_);
    RunningScope runningScope(running_, this);
    const MemorySlotBinding memoryBound(memorySlot_, memory_);
    utils_.iterate_generic = iterateGenericOffered_ ? iterateGenericTrampoline : nullptr;
    const bool outer = depth_ == 0;
    ++depth_;
    Call call;
    if (outer) {
        accounting_.begin();
        if (command == PF_Cmd_USER_CHANGED_PARAM || command == PF_Cmd_EVENT) {
            changedParams_.clear();
        }
    }
    PF_InData in = makeInData();
    PF_OutData out{};
    out.sequence_data = accounting_.sequenceData();
    out.global_data = accounting_.globalData();
    out.num_params = parameterCount();
    PF_ParamDef** params = nullptr;
    PF_Err result = PF_Err_NONE;
    try {
        if (command != PF_Cmd_ARBITRARY_CALLBACK) {
            buildParams(call);
            params = call.pointers.data();
        }
        result = plugin_.entryPoint()(command, &in, &out, params, output, extra);
    } catch (const HostError& error) {
        fault(error.what());
        result = PF_Err_INTERNAL_STRUCT_DAMAGED;
    } catch (...) {
        fault("an exception escaped EntryPointFunc");
        result = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    // A plug-in that fills the whole message leaves no terminator; the host reads it as text.
    out.return_msg[PF_MAX_EFFECT_MSG_LEN] = '\0';
    out.name[sizeof(out.name) - 1] = '\0';
    accounting_.adopt(out, command, extra);
    if (params) {
        finishParams(call, command);
    }
    std::vector<std::string> leftOut;
    if (outer) {
        leftOut = checkInLeftovers();
    }
    --depth_;
    if (outer) {
        lastOut_ = out;
        accounting_.report(name, result, std::move(leftOut));
    }
    return result;
}

std::vector<std::string> EffectInstance::checkInLeftovers() {
    // The host checks in what the plug-in left out, so that nothing it made for a checkout leaks.
    std::vector<std::string> leftOut;
    while (const auto checkout = accounting_.takeOpenCheckout()) {
        leftOut.push_back(std::to_string(checkout->index) + " \"" +
                          parameters_[std::size_t(checkout->index)]->name() + "\"");
        if (checkout->temporary) {
            arbitraryDispose(checkout->index, checkout->temporary);
        }
    }
    return leftOut;
}

// ---- command sequence ---------------------------------------------------------------------------

std::string EffectInstance::about() {
    const PF_Err result = run(PF_Cmd_ABOUT, "PF_Cmd_ABOUT", nullptr, nullptr);
    if (result != PF_Err_NONE) {
        fail("PF_Cmd_ABOUT failed with error " + std::to_string(result));
    }
    return lastOut_.return_msg;
}

PF_Err EffectInstance::globalSetup() {
    const PF_Err result = run(PF_Cmd_GLOBAL_SETUP, "PF_Cmd_GLOBAL_SETUP", nullptr, nullptr);
    if (result == PF_Err_NONE) {
        globalSetUp_ = true;
        checkRunTimeFlags();
    }
    return result;
}

void EffectInstance::checkRunTimeFlags() {
    const PluginRecord& record = plugin_.record();
    CommandReport& r = accounting_.latest();
    if (lastOut_.my_version != record.effectVersion) {
        r.faults.push_back("version " + hex(lastOut_.my_version) +
                           " differs from the registration record's " + hex(record.effectVersion));
    }
    if (A_u_long(lastOut_.out_flags) != record.outFlags) {
        r.faults.push_back("out flags " + hex(A_u_long(lastOut_.out_flags)) +
                           " differ from the registration record's " + hex(record.outFlags));
    }
    // Hosts before 12.5 do not ask for the second word; the plug-in then leaves it as given.
    const bool modernHost = specVersion_.major > 12 || (specVersion_.major == 12 && specVersion_.minor >= 5);
    if (modernHost && A_u_long(lastOut_.out_flags2) != record.outFlags2) {
        r.faults.push_back("out flags 2 " + hex(A_u_long(lastOut_.out_flags2)) +
                           " differ from the registration record's " + hex(record.outFlags2));
    }
}

PF_Err EffectInstance::paramsSetup() {
    requireSetUp("parameter setup");
    parameters_.resize(1);
    inParamsSetup_ = true;
    const PF_Err result = run(PF_Cmd_PARAMS_SETUP, "PF_Cmd_PARAMS_SETUP", nullptr, nullptr);
    inParamsSetup_ = false;
    if (result == PF_Err_NONE) {
        paramsSetUp_ = true;
        if (lastOut_.num_params != parameterCount()) {
            accounting_.latest().faults.push_back("num_params is " + std::to_string(lastOut_.num_params) +
                                                  " but " + std::to_string(parameterCount()) +
                                                  " parameters are registered");
        }
    }
    return result;
}

PF_Err EffectInstance::sequenceSetup() {
    requireSetUp("sequence setup");
    const PF_Err result = run(PF_Cmd_SEQUENCE_SETUP, "PF_Cmd_SEQUENCE_SETUP", nullptr, nullptr);
    sequenceSetUp_ = sequenceSetUp_ || result == PF_Err_NONE;
    return result;
}

PF_Err EffectInstance::createArbitraryValues() {
    for (int i = 1; i < parameterCount(); ++i) {
        HostParameter& p = *parameters_[std::size_t(i)];
        if (p.type() != PF_Param_ARBITRARY_DATA || p.arbitraryValue) {
            continue;
        }
        try {
            if (!p.arbitraryDefault) {
                p.arbitraryDefault = arbitraryNew(i);
                memory_.setOwner(p.arbitraryDefault, p.name() + " default");
            }
            p.arbitraryValue = arbitraryNew(i);
        } catch (const HostError&) {
            return lastReport().result != PF_Err_NONE ? lastReport().result : PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    return PF_Err_NONE;
}

void EffectInstance::setup() {
    const struct {
        const char* name;
        PF_Err (EffectInstance::*step)();
    } steps[] = {{"PF_Cmd_GLOBAL_SETUP", &EffectInstance::globalSetup},
                 {"PF_Cmd_PARAMS_SETUP", &EffectInstance::paramsSetup},
                 {"PF_Cmd_SEQUENCE_SETUP", &EffectInstance::sequenceSetup},
                 {"arbitrary-data NEW", &EffectInstance::createArbitraryValues}};
    for (const auto& s : steps) {
        const PF_Err result = (this->*s.step)();
        if (result != PF_Err_NONE) {
            fail(std::string(s.name) + " failed with error " + std::to_string(result));
        }
    }
}

void EffectInstance::requireSetUp(const char* what) const {
    if (!globalSetUp_) {
        fail(std::string(what) + " before global setup");
    }
}

void EffectInstance::unflattenSequence() {
    if (accounting_.sequenceData() && accounting_.sequenceIsFlat()) {
        const PF_Err result = resetupSequence();
        if (result != PF_Err_NONE) {
            fail("PF_Cmd_SEQUENCE_RESETUP failed with error " + std::to_string(result));
        }
    }
}

PF_Err EffectInstance::userChangedParam(int index) {
    checkIndex(index);
    unflattenSequence();
    PF_UserChangedParamExtra extra{index};
    const PF_Err result = run(PF_Cmd_USER_CHANGED_PARAM, "PF_Cmd_USER_CHANGED_PARAM", nullptr, &extra);
    const PF_Err ui = updateParamsUI();
    return result != PF_Err_NONE ? result : ui;
}

PF_Err EffectInstance::updateParamsUI() {
    unflattenSequence();
    PF_UpdateParamsUIExtra extra{};
    return run(PF_Cmd_UPDATE_PARAMS_UI, "PF_Cmd_UPDATE_PARAMS_UI", nullptr, &extra);
}

std::vector<std::uint8_t> EffectInstance::flattenSequence(PF_Err* result) {
    const bool wasFlat = accounting_.sequenceIsFlat();
    const PF_Handle before = accounting_.sequenceData();
    const PF_Err err = run(PF_Cmd_SEQUENCE_FLATTEN, "PF_Cmd_SEQUENCE_FLATTEN", nullptr, nullptr);
    // A flatten that failed and kept the data kept it as it was.
    if (err != PF_Err_NONE && accounting_.sequenceData() == before) {
        accounting_.keepSequenceFlat(wasFlat);
    }
    if (result) {
        *result = err;
    }
    return err == PF_Err_NONE ? memory_.bytes(accounting_.sequenceData()) : std::vector<std::uint8_t>();
}

PF_Err EffectInstance::resetupSequence() {
    const bool wasFlat = accounting_.sequenceIsFlat();
    const PF_Handle before = accounting_.sequenceData();
    const PF_Err result = run(PF_Cmd_SEQUENCE_RESETUP, "PF_Cmd_SEQUENCE_RESETUP", nullptr, nullptr);
    // A resetup that failed before replacing the stored data leaves it stored (flat): the host sets it up
    // again before its next use instead of handing the stored bytes over as the record.
    if (result != PF_Err_NONE && accounting_.sequenceData() == before) {
        accounting_.keepSequenceFlat(wasFlat);
    }
    sequenceSetUp_ = sequenceSetUp_ || result == PF_Err_NONE;
    return result;
}

PF_Err EffectInstance::resetupSequence(const std::vector<std::uint8_t>& flat) {
    if (accounting_.sequenceData()) {
        sequenceSetdown();
    }
    accounting_.storeFlatSequence(flat);
    return resetupSequence();
}

PF_Err EffectInstance::sequenceSetdown() {
    const PF_Err result = run(PF_Cmd_SEQUENCE_SETDOWN, "PF_Cmd_SEQUENCE_SETDOWN", nullptr, nullptr);
    sequenceSetUp_ = false;
    return result;
}

PF_Err EffectInstance::globalSetdown() {
    const PF_Err result = run(PF_Cmd_GLOBAL_SETDOWN, "PF_Cmd_GLOBAL_SETDOWN", nullptr, nullptr);
    globalSetUp_ = false;
    return result;
}

} // namespace kvhost

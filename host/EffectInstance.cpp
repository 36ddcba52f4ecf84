#include "host/EffectInstance.h"

#include "host/EffectCallbacks.h"
#include "host/HostError.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace kvhost {

// One command in flight: the parameter values handed to the plug-in and what the host made for them.
struct EffectInstance::Call {
    std::vector<PF_ParamDef> defs;
    std::vector<PF_ParamDef*> pointers;
    std::vector<PF_Handle> temporaries; // arbitrary values made for params[], by index (null: none)
    std::map<std::string, int> suitesBefore;
};

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

const CommandReport& EffectInstance::lastReport() const {
    static const CommandReport none;
    return reports_.empty() ? none : reports_.back();
}

std::string EffectInstance::problems() const {
    std::string text;
    for (const CommandReport& r : reports_) {
        text += r.describe();
    }
    return text;
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
    in.width = layerWidth_;
    in.height = layerHeight_;
    in.extent_hint = PF_LRect{0, 0, layerWidth_, layerHeight_};
    in.downsample_x = downsampleX_;
    in.downsample_y = downsampleY_;
    in.pixel_aspect_ratio = rendering_ ? renderInput_.pixelAspect() : PF_RationalScale{1, 1};
    in.global_data = globalData_;
    in.sequence_data = sequenceData_;
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
        call.suitesBefore = suites_.outstanding();
        if (command == PF_Cmd_USER_CHANGED_PARAM || command == PF_Cmd_EVENT) {
            changedParams_.clear();
        }
    }
    PF_InData in = makeInData();
    PF_OutData out{};
    out.sequence_data = sequenceData_;
    out.global_data = globalData_;
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
    adoptResults(out, command, extra);
    if (params) {
        finishParams(call, command);
    }
    CommandReport findings;
    if (outer) {
        checkInLeftovers(findings);
    }
    --depth_;
    if (outer) {
        lastOut_ = out;
        reports_.push_back(std::move(findings));
        report(call, name, result);
    }
    return result;
}

void EffectInstance::adoptResults(const PF_OutData& out, PF_Cmd command, void* extra) {
    if (out.global_data != globalData_) {
        if (globalData_ && memory_.isLive(globalData_)) {
            memory_.setOwner(globalData_, std::string()); // the plug-in replaced it: its to free
        }
        if (out.global_data && !memory_.isLive(out.global_data)) {
            fault("global data is not a live host handle");
            globalData_ = nullptr;
        } else {
            globalData_ = out.global_data;
            memory_.setOwner(globalData_, "global data");
        }
    }
    if (command == PF_Cmd_GLOBAL_SETDOWN && globalData_) {
        memory_.setOwner(globalData_, std::string());
        globalData_ = nullptr;
    }

    PF_Handle previous = sequenceData_;
    if (out.sequence_data != sequenceData_) {
        if (out.sequence_data && !memory_.isLive(out.sequence_data)) {
            fault("sequence data is not a live host handle");
            sequenceData_ = nullptr;
        } else {
            sequenceData_ = out.sequence_data;
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

    if (command == PF_Cmd_ARBITRARY_CALLBACK && extra) {
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
    }
    if (command == PF_Cmd_SMART_PRE_RENDER && extra) {
        const auto* pre = static_cast<PF_PreRenderExtra*>(extra);
        auto handle = static_cast<PF_Handle>(pre->output->pre_render_data);
        if (handle && memory_.isLive(handle)) {
            memory_.setOwner(handle, "pre-render data");
        }
    }
}

void EffectInstance::report(Call& call, const char* name, PF_Err result) {
    CommandReport& r = reports_.back();
    r.command = name;
    r.result = result;
    r.leakedHandles = memory_.takeLeaks();
    r.lockedHandles = memory_.lockedHandles();
    for (const auto& [key, count] : suites_.outstanding()) {
        const auto before = call.suitesBefore.find(key);
        const int earlier = before == call.suitesBefore.end() ? 0 : before->second;
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
}

void EffectInstance::checkInLeftovers(CommandReport& findings) {
    // The host checks in what the plug-in left out, so that nothing it made for a checkout leaks.
    while (!paramCheckouts_.empty()) {
        const auto first = paramCheckouts_.begin();
        const ParamCheckout checkout = first->second;
        paramCheckouts_.erase(first);
        findings.paramsNotCheckedIn.push_back(std::to_string(checkout.index) + " \"" +
                                              parameters_[std::size_t(checkout.index)]->name() + "\"");
        if (checkout.temporary) {
            arbitraryDispose(checkout.index, checkout.temporary);
        }
    }
}

// ---- parameters handed to the plug-in --------------------------------------------------------

PF_ParamDef EffectInstance::valueDef(int index, double seconds, PF_Handle* temporary) {
    HostParameter& p = *parameters_[std::size_t(index)];
    PF_ParamDef def = p.current();
    def.uu.change_flags = PF_ChangeFlag_NONE;
    *temporary = nullptr;
    switch (p.type()) {
    case PF_Param_LAYER: {
        const A_long dephault = def.u.ld.dephault;
        HostImage* image = renderLayer(index);
        def.u.ld = image ? image->world() : PF_LayerDef{};
        def.u.ld.dephault = dephault;
        break;
    }
    case PF_Param_ARBITRARY_DATA: {
        bool isTemporary = false;
        def.u.arb_d.value = arbitraryAt(index, seconds, &isTemporary);
        def.u.arb_d.dephault = p.arbitraryDefault;
        if (isTemporary) {
            *temporary = def.u.arb_d.value;
        }
        break;
    }
    default:
        def.u = p.valueAt(seconds);
        break;
    }
    return def;
}

void EffectInstance::buildParams(Call& call) {
    const std::size_t count = parameters_.size();
    call.defs.resize(count);
    call.temporaries.assign(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        call.defs[i] = valueDef(int(i), currentSeconds(), &call.temporaries[i]);
    }
    call.pointers.resize(count + 1, nullptr); // null-terminated, as plug-ins may walk it
    for (std::size_t i = 0; i < count; ++i) {
        call.pointers[i] = &call.defs[i];
    }
}

void EffectInstance::finishParams(Call& call, PF_Cmd command) {
    const bool mayChange = command == PF_Cmd_USER_CHANGED_PARAM || command == PF_Cmd_EVENT;
    for (std::size_t i = 1; i < call.defs.size() && i < parameters_.size(); ++i) {
        const PF_ParamDef& def = call.defs[i];
        HostParameter& p = *parameters_[i];
        PF_Handle& temporary = call.temporaries[i];
        if (mayChange && (def.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE)) {
            changedParams_.push_back(int(i));
            if (p.type() == PF_Param_ARBITRARY_DATA) {
                PF_Handle given = temporary ? temporary : p.arbitraryValue;
                PF_Handle now = def.u.arb_d.value;
                if (now != given && !memory_.isLive(now)) {
                    fault("parameter " + std::to_string(i) + " changed to a handle that is not live");
                } else if (p.animated()) {
                    // The value edited at this time becomes the keyframe at this time.
                    memory_.setOwner(now, p.name() + " keyframe");
                    HostParameter::Keyframe keyframe;
                    keyframe.seconds = currentSeconds();
                    keyframe.arbitrary = now;
                    if (PF_Handle replaced = p.setKeyframe(keyframe)) {
                        arbitraryDispose(int(i), replaced);
                    }
                    if (now == temporary) {
                        temporary = nullptr;
                    }
                } else if (now != given) {
                    memory_.setOwner(now, p.name() + " value");
                    p.arbitraryValue = now;
                    arbitraryDispose(int(i), given);
                }
            } else if (p.type() != PF_Param_LAYER) {
                p.storeValue(def.u, currentSeconds());
            }
        }
        if (temporary) {
            arbitraryDispose(int(i), temporary);
            temporary = nullptr;
        }
    }
}

void EffectInstance::setNumber(int index, double value) {
    HostParameter& p = parameter(index);
    PF_ParamDefUnion u = p.valueAt(currentSeconds());
    switch (p.type()) {
    case PF_Param_POPUP:
        if (value < 1 || value > p.registered().u.pd.num_choices || value != std::floor(value)) {
            fail("popup \"" + p.name() + "\" has no item " + std::to_string(value));
        }
        u.pd.value = A_long(value);
        break;
    case PF_Param_CHECKBOX:
        u.bd.value = value != 0.0;
        break;
    case PF_Param_SLIDER:
        u.sd.value = A_long(std::lround(value));
        break;
    case PF_Param_FLOAT_SLIDER:
        u.fs_d.value = value;
        break;
    case PF_Param_ANGLE:
        u.ad.value = PF_Fixed(std::lround(value * 65536.0));
        break;
    default:
        fail("parameter \"" + p.name() + "\" is a " + HostParameter::typeName(p.type()) + ", not a number");
    }
    p.storeValue(u, currentSeconds());
}

void EffectInstance::setColour(int index, PF_Pixel colour) {
    HostParameter& p = parameter(index);
    if (p.type() != PF_Param_COLOR) {
        fail("parameter \"" + p.name() + "\" is not a colour");
    }
    PF_ParamDefUnion u = p.valueAt(currentSeconds());
    u.cd.value = colour;
    p.storeValue(u, currentSeconds());
}

void EffectInstance::setLayer(int index, std::shared_ptr<const HostImage> image, const std::string& file) {
    HostParameter& p = parameter(index);
    if (p.type() != PF_Param_LAYER) {
        fail("parameter \"" + p.name() + "\" is not a layer");
    }
    p.layer = image ? std::make_shared<HostImage>(*image) : nullptr;
    p.layerFile = image ? file : std::string();
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
    CommandReport& r = reports_.back();
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
            reports_.back().faults.push_back("num_params is " + std::to_string(lastOut_.num_params) +
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
    if (sequenceData_ && sequenceFlat_) {
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
    const bool wasFlat = sequenceFlat_;
    const PF_Handle before = sequenceData_;
    const PF_Err err = run(PF_Cmd_SEQUENCE_FLATTEN, "PF_Cmd_SEQUENCE_FLATTEN", nullptr, nullptr);
    // A flatten that failed and kept the data kept it as it was.
    if (err != PF_Err_NONE && sequenceData_ == before) {
        sequenceFlat_ = wasFlat;
    }
    if (result) {
        *result = err;
    }
    return err == PF_Err_NONE ? memory_.bytes(sequenceData_) : std::vector<std::uint8_t>();
}

PF_Err EffectInstance::resetupSequence() {
    const bool wasFlat = sequenceFlat_;
    const PF_Handle before = sequenceData_;
    const PF_Err result = run(PF_Cmd_SEQUENCE_RESETUP, "PF_Cmd_SEQUENCE_RESETUP", nullptr, nullptr);
    // A resetup that failed before replacing the stored data leaves it stored (flat): the host sets it up
    // again before its next use instead of handing the stored bytes over as the record.
    if (result != PF_Err_NONE && sequenceData_ == before) {
        sequenceFlat_ = wasFlat;
    }
    sequenceSetUp_ = sequenceSetUp_ || result == PF_Err_NONE;
    return result;
}

PF_Err EffectInstance::resetupSequence(const std::vector<std::uint8_t>& flat) {
    if (sequenceData_) {
        sequenceSetdown();
    }
    sequenceData_ = memory_.hostHandle(flat, "flat sequence data");
    sequenceFlat_ = true;
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

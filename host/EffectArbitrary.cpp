// Arbitrary-data values: made, copied, blended, flattened and disposed by the plug-in's own callbacks.
#include "host/EffectInstance.h"

#include "host/HostError.h"

namespace kvhost {

PF_Err EffectInstance::arbitrary(int index, PF_ArbParamsExtra& extra) {
    const HostParameter& p = parameter(index);
    if (p.type() != PF_Param_ARBITRARY_DATA) {
        fail("parameter \"" + p.name() + "\" does not hold arbitrary data");
    }
    extra.id = p.registered().u.arb_d.id;
    extra.refconPV = p.registered().u.arb_d.refconPV;
    return run(PF_Cmd_ARBITRARY_CALLBACK, "PF_Cmd_ARBITRARY_CALLBACK", nullptr, &extra);
}

namespace {

const char* functionName(PF_ArbitraryFunc which) {
    static const char* const names[] = {"NEW",        "DISPOSE",   "COPY",   "FLAT_SIZE",
                                        "FLATTEN",    "UNFLATTEN", "INTERP", "COMPARE",
                                        "PRINT_SIZE", "PRINT",     "SCAN"};
    return which >= 0 && which <= PF_Arbitrary_SCAN_FUNC ? names[which] : "?";
}

// Checks the value a callback made and takes the new handle into the host's care.
PF_Handle madeValue(EffectInstance& instance, HostMemory& memory, PF_Err result, PF_Handle made,
                    PF_ArbitraryFunc which, const std::string& name, const std::string& path) {
    if (result != PF_Err_NONE || !made) {
        throw HostError(path + ": arbitrary-data " + functionName(which) + " of \"" + name +
                        "\" failed with error " + std::to_string(result) + (made ? "" : " (no value)"));
    }
    if (!memory.isLive(made)) {
        instance.recordFault(std::string("arbitrary-data ") + functionName(which) +
                             " returned a foreign handle");
        throw HostError(path + ": arbitrary-data " + functionName(which) + " of \"" + name +
                        "\" returned a handle the host did not make");
    }
    memory.setOwner(made, name + " value");
    return made;
}

} // namespace

PF_Handle EffectInstance::arbitraryNew(int index) {
    PF_ArbParamsExtra extra{};
    PF_ArbitraryH made = nullptr;
    extra.which_function = PF_Arbitrary_NEW_FUNC;
    extra.u.new_func_params.arbPH = &made;
    const PF_Err result = arbitrary(index, extra);
    return madeValue(*this, memory_, result, made, extra.which_function, parameter(index).name(),
                     plugin_.path());
}

PF_Handle EffectInstance::arbitraryCopy(int index, PF_Handle source) {
    PF_ArbParamsExtra extra{};
    PF_ArbitraryH made = nullptr;
    extra.which_function = PF_Arbitrary_COPY_FUNC;
    extra.u.copy_func_params.src_arbH = source;
    extra.u.copy_func_params.dst_arbPH = &made;
    const PF_Err result = arbitrary(index, extra);
    return madeValue(*this, memory_, result, made, extra.which_function, parameter(index).name(),
                     plugin_.path());
}

PF_Handle EffectInstance::arbitraryInterp(int index, PF_Handle left, PF_Handle right, double t) {
    PF_ArbParamsExtra extra{};
    PF_ArbitraryH made = nullptr;
    extra.which_function = PF_Arbitrary_INTERP_FUNC;
    extra.u.interp_func_params.left_arbH = left;
    extra.u.interp_func_params.right_arbH = right;
    extra.u.interp_func_params.tF = t;
    extra.u.interp_func_params.interpPH = &made;
    const PF_Err result = arbitrary(index, extra);
    return madeValue(*this, memory_, result, made, extra.which_function, parameter(index).name(),
                     plugin_.path());
}

PF_Handle EffectInstance::arbitraryUnflatten(int index, const std::vector<std::uint8_t>& flat) {
    PF_ArbParamsExtra extra{};
    PF_ArbitraryH made = nullptr;
    extra.which_function = PF_Arbitrary_UNFLATTEN_FUNC;
    extra.u.unflatten_func_params.buf_sizeLu = A_u_long(flat.size());
    extra.u.unflatten_func_params.flat_dataPV = flat.empty() ? nullptr : flat.data();
    extra.u.unflatten_func_params.arbPH = &made;
    const PF_Err result = arbitrary(index, extra);
    return madeValue(*this, memory_, result, made, extra.which_function, parameter(index).name(),
                     plugin_.path());
}

std::vector<std::uint8_t> EffectInstance::arbitraryFlatten(int index, PF_Handle value) {
    PF_ArbParamsExtra extra{};
    A_u_long size = 0;
    extra.which_function = PF_Arbitrary_FLAT_SIZE_FUNC;
    extra.u.flat_size_func_params.arbH = value;
    extra.u.flat_size_func_params.flat_data_sizePLu = &size;
    PF_Err result = arbitrary(index, extra);
    if (result != PF_Err_NONE) {
        fail("arbitrary-data FLAT_SIZE of \"" + parameter(index).name() + "\" failed with error " +
             std::to_string(result));
    }
    std::vector<std::uint8_t> flat(size);
    extra = PF_ArbParamsExtra{};
    extra.which_function = PF_Arbitrary_FLATTEN_FUNC;
    extra.u.flatten_func_params.arbH = value;
    extra.u.flatten_func_params.buf_sizeLu = size;
    extra.u.flatten_func_params.flat_dataPV = flat.data();
    result = arbitrary(index, extra);
    if (result != PF_Err_NONE) {
        fail("arbitrary-data FLATTEN of \"" + parameter(index).name() + "\" failed with error " +
             std::to_string(result));
    }
    return flat;
}

void EffectInstance::arbitraryDispose(int index, PF_Handle value) {
    if (!value) {
        return;
    }
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_DISPOSE_FUNC;
    extra.u.dispose_func_params.arbH = value;
    arbitrary(index, extra);
    if (memory_.isLive(value)) {
        fault("arbitrary-data DISPOSE left the value of \"" + parameter(index).name() + "\" alive");
        memory_.hostDispose(value);
    }
}

PF_Handle EffectInstance::arbitraryAt(int index, double seconds, bool* temporary) {
    HostParameter& p = parameter(index);
    const auto& keys = p.keyframes();
    *temporary = false;
    if (keys.empty()) {
        return p.arbitraryValue;
    }
    PF_Handle made = nullptr;
    if (seconds <= keys.front().seconds) {
        made = arbitraryCopy(index, keys.front().arbitrary);
    } else if (seconds >= keys.back().seconds) {
        made = arbitraryCopy(index, keys.back().arbitrary);
    } else {
        std::size_t right = 1;
        while (keys[right].seconds <= seconds) {
            ++right;
        }
        const auto& a = keys[right - 1];
        const auto& b = keys[right];
        made = a.seconds == seconds ? arbitraryCopy(index, a.arbitrary)
                                    : arbitraryInterp(index, a.arbitrary, b.arbitrary,
                                                      (seconds - a.seconds) / (b.seconds - a.seconds));
    }
    memory_.setOwner(made, p.name() + " temporary value");
    *temporary = true;
    return made;
}

void EffectInstance::disposeArbitraryValues() {
    for (int i = 1; i < parameterCount(); ++i) {
        HostParameter& p = *parameters_[std::size_t(i)];
        if (p.type() != PF_Param_ARBITRARY_DATA) {
            continue;
        }
        for (auto& key : p.keyframes()) {
            arbitraryDispose(i, key.arbitrary);
        }
        p.keyframes().clear();
        arbitraryDispose(i, p.arbitraryValue);
        p.arbitraryValue = nullptr;
        arbitraryDispose(i, p.arbitraryDefault);
        p.arbitraryDefault = nullptr;
    }
}

std::vector<std::uint8_t> EffectInstance::arbitraryFlatAt(int index, double seconds) {
    bool temporary = false;
    PF_Handle value = arbitraryAt(index, seconds, &temporary);
    std::vector<std::uint8_t> flat;
    try {
        flat = arbitraryFlatten(index, value);
    } catch (...) {
        if (temporary) {
            arbitraryDispose(index, value);
        }
        throw;
    }
    if (temporary) {
        arbitraryDispose(index, value);
    }
    return flat;
}

std::vector<std::uint8_t> EffectInstance::arbitraryFlat(int index) {
    return arbitraryFlatten(index, parameter(index).arbitraryValue);
}

void EffectInstance::setArbitraryFlat(int index, const std::vector<std::uint8_t>& flat) {
    PF_Handle made = arbitraryUnflatten(index, flat);
    HostParameter& p = parameter(index);
    PF_Handle old = p.arbitraryValue;
    p.arbitraryValue = made;
    arbitraryDispose(index, old);
}

void EffectInstance::setArbitraryKeyframe(int index, double seconds, const std::vector<std::uint8_t>& flat) {
    PF_Handle made = arbitraryUnflatten(index, flat);
    HostParameter& p = parameter(index);
    memory_.setOwner(made, p.name() + " keyframe");
    HostParameter::Keyframe keyframe;
    keyframe.seconds = seconds;
    keyframe.arbitrary = made;
    if (PF_Handle replaced = p.setKeyframe(keyframe)) {
        arbitraryDispose(index, replaced);
    }
}

std::vector<std::uint8_t> EffectInstance::arbitraryReadBack(int index,
                                                            const std::vector<std::uint8_t>& flat) {
    PF_Handle value = arbitraryUnflatten(index, flat);
    std::vector<std::uint8_t> readBack;
    try {
        readBack = arbitraryFlatten(index, value);
    } catch (...) {
        arbitraryDispose(index, value);
        throw;
    }
    arbitraryDispose(index, value);
    return readBack;
}

bool EffectInstance::arbitraryEqual(int index, const std::vector<std::uint8_t>& a,
                                    const std::vector<std::uint8_t>& b) {
    PF_Handle left = arbitraryUnflatten(index, a);
    PF_Handle right = nullptr;
    PF_ArbCompareResult compared = PF_ArbCompare_NOT_EQUAL;
    PF_Err result = PF_Err_NONE;
    try {
        right = arbitraryUnflatten(index, b);
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_COMPARE_FUNC;
        extra.u.compare_func_params.a_arbH = left;
        extra.u.compare_func_params.b_arbH = right;
        extra.u.compare_func_params.compareP = &compared;
        result = arbitrary(index, extra);
    } catch (...) {
        arbitraryDispose(index, left);
        throw;
    }
    arbitraryDispose(index, left);
    arbitraryDispose(index, right);
    if (result != PF_Err_NONE) {
        fail("arbitrary-data COMPARE of \"" + parameter(index).name() + "\" failed with error " +
             std::to_string(result));
    }
    return compared == PF_ArbCompare_EQUAL;
}

} // namespace kvhost

// The host callbacks of the parameter, progress and user-interface groups.
#include "host/EffectInstance.h"

#include "host/HostError.h"

namespace kvhost {

PF_Err EffectInstance::checkoutParam(PF_ParamIndex index, A_long time, A_long timeStep, A_u_long timeScale,
                                     PF_ParamDef* param) {
    (void)timeStep;
    if (!param || timeScale == 0) {
        fault("checkout_param without a definition or with time scale 0");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index < 0 || index >= parameterCount()) {
        fault("checkout_param of index " + std::to_string(index) + ", which does not exist");
        return PF_Err_INVALID_INDEX;
    }
    if (const auto stale = accounting_.checkIn(param)) {
        fault("checkout_param into a definition already checked out (parameter " +
              std::to_string(stale->index) + ")");
        if (stale->temporary) {
            arbitraryDispose(stale->index, stale->temporary);
        }
    }
    PF_Handle temporary = nullptr;
    *param = valueDef(index, double(time) / double(timeScale), &temporary);
    accounting_.checkOut(param, CommandAccounting::ParamCheckout{index, temporary});
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkinParam(PF_ParamDef* param) {
    const auto checkout = accounting_.checkIn(param);
    if (!checkout) {
        fault("checkin_param of a definition that is not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (checkout->temporary) {
        arbitraryDispose(checkout->index, checkout->temporary);
    }
    return PF_Err_NONE;
}

PF_Err EffectInstance::addParam(PF_ParamIndex index, const PF_ParamDef* def) {
    if (!inParamsSetup_) {
        fault("add_param outside parameter setup");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!def) {
        fault("add_param without a definition");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index != -1 && index != parameterCount()) {
        fault("add_param at index " + std::to_string(index));
        return PF_Err_INVALID_INDEX;
    }
    if (def->param_type < PF_Param_LAYER || def->param_type > PF_Param_BUTTON) {
        fault("add_param of unknown type " + std::to_string(def->param_type));
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    if (def->param_type == PF_Param_POPUP && (!def->u.pd.u.namesptr || def->u.pd.num_choices < 1)) {
        fault("popup without items");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    auto p = std::make_unique<HostParameter>(parameterCount(), *def);
    if (p->type() == PF_Param_ARBITRARY_DATA) {
        PF_Handle dephault = def->u.arb_d.dephault;
        if (dephault && !memory_.isLive(dephault)) {
            fault("arbitrary default of \"" + p->name() + "\" is not a live host handle");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        p->current().u.arb_d.value = nullptr;
        if (dephault) {
            memory_.setOwner(dephault, p->name() + " default");
            p->arbitraryDefault = dephault;
        }
    }
    parameters_.push_back(std::move(p));
    return PF_Err_NONE;
}

PF_Err EffectInstance::registerUI(const PF_CustomUIInfo* info) {
    if (!inParamsSetup_ || !info || parameterCount() < 2) {
        fault("register_ui outside parameter setup, without a record or before any parameter");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    parameters_.back()->customUI = *info;
    return PF_Err_NONE;
}

PF_Err EffectInstance::progress(A_long current, A_long total) {
    if (current < 0 || total < 0 || current > total) {
        fault("progress " + std::to_string(current) + " of " + std::to_string(total));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::int64_t call = ++progressCalls_;
    if (progressObserver_) {
        progressObserver_(current, total);
    }
    return (abortAfter_ >= 0 && call > abortAfter_) ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

PF_Err EffectInstance::abortStatus() const {
    return (abortAfter_ >= 0 && progressCalls_.load() > abortAfter_) ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

PF_Err EffectInstance::iterateGeneric(A_long iterations, void* refcon, PF_IterateGenericFunc function) {
    if (!function || iterations < -1) {
        fault("iterate_generic without a function or with " + std::to_string(iterations) + " iterations");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // -1: once per processor, each with its own thread index.
    const bool perProcessor = iterations == -1;
    const A_long count = perProcessor ? processors_ : iterations;
    for (A_long i = 0; i < count; ++i) {
        const PF_Err result = function(refcon, perProcessor ? i : 0, i, count);
        if (result != PF_Err_NONE) {
            return result;
        }
    }
    return PF_Err_NONE;
}

PF_Err EffectInstance::updateParamUI(PF_ParamIndex index, const PF_ParamDef* def) {
    if (!def) {
        fault("PF_UpdateParamUI without a definition");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index < 1 || index >= parameterCount()) {
        fault("PF_UpdateParamUI of index " + std::to_string(index) + ", which does not exist");
        return PF_Err_INVALID_INDEX;
    }
    HostParameter& p = *parameters_[std::size_t(index)];
    if (def->param_type != p.type()) {
        fault("PF_UpdateParamUI of parameter " + std::to_string(index) + " with type " +
              std::to_string(def->param_type));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    uiUpdates_.push_back(ParamUIUpdate{index, *def});
    PF_ParamDef& current = p.current();
    current.ui_flags = def->ui_flags;
    current.ui_width = def->ui_width;
    current.ui_height = def->ui_height;
    current.flags = def->flags;
    switch (p.type()) {
    case PF_Param_LAYER:
    case PF_Param_ARBITRARY_DATA:
    case PF_Param_GROUP_START:
    case PF_Param_GROUP_END:
        break; // the value is a world or a handle: only the control changes
    case PF_Param_POPUP: {
        const A_long value = def->u.pd.value;
        if (value >= 1 && value <= current.u.pd.num_choices) {
            current.u.pd.value = value;
        }
        break;
    }
    case PF_Param_CHECKBOX:
        current.u.bd.value = def->u.bd.value;
        break;
    default: {
        current.u = def->u; // ranges, precision, display flags and value
        break;
    }
    }
    return PF_Err_NONE;
}

} // namespace kvhost

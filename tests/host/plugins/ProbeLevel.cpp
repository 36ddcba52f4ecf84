#include "tests/host/plugins/ProbeLevel.h"

#include "tests/host/plugins/ProbeParams.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace probe {

PF_Handle newLevel(PF_InData* in, double level) {
    PF_Handle h = in->utils->host_new_handle(sizeof(Level));
    if (!h) {
        return nullptr;
    }
    auto* value = static_cast<Level*>(in->utils->host_lock_handle(h));
    value->level = level;
    in->utils->host_unlock_handle(h);
    return h;
}

double levelOf(PF_InData* in, PF_Handle h) {
    auto* value = static_cast<Level*>(in->utils->host_lock_handle(h));
    const double level = value->level;
    in->utils->host_unlock_handle(h);
    return level;
}

namespace {

std::string flatText(double level) {
    char text[64];
    std::snprintf(text, sizeof text, "level %.17g", level);
    return text;
}

} // namespace

PF_Err arbitrary(PF_InData* in, PF_ArbParamsExtra* extra) {
    if (extra->refconPV != reinterpret_cast<void*>(std::uintptr_t(kProbeRefcon))) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    switch (extra->which_function) {
    case PF_Arbitrary_NEW_FUNC:
        *extra->u.new_func_params.arbPH = newLevel(in, kProbeDefaultLevel);
        return *extra->u.new_func_params.arbPH ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    case PF_Arbitrary_DISPOSE_FUNC:
        in->utils->host_dispose_handle(extra->u.dispose_func_params.arbH);
        return PF_Err_NONE;
    case PF_Arbitrary_COPY_FUNC:
        *extra->u.copy_func_params.dst_arbPH = newLevel(in, levelOf(in, extra->u.copy_func_params.src_arbH));
        return PF_Err_NONE;
    case PF_Arbitrary_FLAT_SIZE_FUNC:
        *extra->u.flat_size_func_params.flat_data_sizePLu =
            A_u_long(flatText(levelOf(in, extra->u.flat_size_func_params.arbH)).size() + 1);
        return PF_Err_NONE;
    case PF_Arbitrary_FLATTEN_FUNC: {
        const std::string text = flatText(levelOf(in, extra->u.flatten_func_params.arbH));
        if (extra->u.flatten_func_params.buf_sizeLu == text.size() + 1) {
            std::memcpy(extra->u.flatten_func_params.flat_dataPV, text.c_str(), text.size() + 1);
        }
        return PF_Err_NONE;
    }
    case PF_Arbitrary_UNFLATTEN_FUNC: {
        const auto& p = extra->u.unflatten_func_params;
        const std::string text(static_cast<const char*>(p.flat_dataPV), p.buf_sizeLu);
        const double level = text.rfind("level ", 0) == 0 ? std::strtod(text.c_str() + 6, nullptr) : 0.0;
        *p.arbPH = newLevel(in, level);
        return PF_Err_NONE;
    }
    case PF_Arbitrary_INTERP_FUNC: {
        const auto& p = extra->u.interp_func_params;
        const double a = levelOf(in, p.left_arbH);
        const double b = levelOf(in, p.right_arbH);
        *p.interpPH = newLevel(in, a * (1.0 - p.tF) + b * p.tF);
        return PF_Err_NONE;
    }
    case PF_Arbitrary_COMPARE_FUNC: {
        const auto& p = extra->u.compare_func_params;
        *p.compareP =
            levelOf(in, p.a_arbH) == levelOf(in, p.b_arbH) ? PF_ArbCompare_EQUAL : PF_ArbCompare_NOT_EQUAL;
        return PF_Err_NONE;
    }
    default:
        return PF_Err_NONE;
    }
}

} // namespace probe

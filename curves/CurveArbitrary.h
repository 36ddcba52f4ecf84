#pragma once
#include "curves/CurveSet.h"
#include "curves/CurveText.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "curves/KeyframeBlend.h"
#include "hostapi/PF_Arbitrary.h"
#include "hostapi/PF_Errors.h"
#include "hostapi/PF_InOutData.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace korvane {

// The arbitrary-data callbacks of the "curve" parameter, for the effect chosen by Traits. Every new
// value handle is a fresh default curve set before it is filled; a handle is never left behind when
// a callback fails.

// Size the host tells us to print into.
inline constexpr A_u_long kCurvePrintSize = 1024;

template <class Traits>
bool isCurveSetRefcon(const void* refcon) {
    return reinterpret_cast<std::uintptr_t>(refcon) == Traits::kArbRefcon;
}

namespace detail {

// Makes a new handle holding a default curve set and lets fill(set) complete it. On success the
// handle goes to `out`; on any failure `out` stays null and the handle is disposed of.
template <class Traits, class Fill>
PF_Err makeCurveSetHandle(const PF_UtilCallbacks& utils, PF_Handle& out, Fill&& fill) {
    using CurveSet = typename Traits::CurveSetType;
    out = nullptr;
    OwnedHostHandle handle(utils, sizeof(CurveSet));
    if (handle.get() == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    {
        const HostHandleLock lock(utils, handle.get(), sizeof(CurveSet));
        if (!lock) {
            return PF_Err_OUT_OF_MEMORY;
        }
        std::memset(lock.data(), 0, sizeof(CurveSet));
        CurveSet& set = lock.as<CurveSet>();
        resetCurveSet(set);
        if (const PF_Err err = fill(set); err != PF_Err_NONE) {
            return err;
        }
    }
    out = handle.release();
    return PF_Err_NONE;
}

} // namespace detail

// A handle holding a default curve set: the "curve" parameter's default and the new callback.
template <class Traits>
PF_Err newCurveSetHandle(const PF_UtilCallbacks& utils, PF_Handle& out) {
    return detail::makeCurveSetHandle<Traits>(utils, out,
                                              [](typename Traits::CurveSetType&) { return PF_Err_NONE; });
}

template <class Traits>
PF_Err curveSetArbitraryCallback(const PF_InData* inData, PF_ArbParamsExtra* extra) {
    using CurveSet = typename Traits::CurveSetType;
    if (extra == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_ArbitraryFunc which = extra->which_function;
    if (!isCurveSetRefcon<Traits>(extra->refconPV)) {
        // Not our parameter: touch nothing.
        switch (which) {
        case PF_Arbitrary_NEW_FUNC:
        case PF_Arbitrary_DISPOSE_FUNC:
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        case PF_Arbitrary_PRINT_SIZE_FUNC:
        case PF_Arbitrary_PRINT_FUNC:
        case PF_Arbitrary_SCAN_FUNC:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
        default:
            return PF_Err_NONE;
        }
    }

    switch (which) {
    case PF_Arbitrary_PRINT_SIZE_FUNC:
        if (extra->u.print_size_func_params.print_sizePLu != nullptr) {
            *extra->u.print_size_func_params.print_sizePLu = kCurvePrintSize;
        }
        return PF_Err_NONE;
    case PF_Arbitrary_PRINT_FUNC:
        // Curves have no printed form; an empty string rather than whatever the buffer held.
        if (extra->u.print_func_params.print_bufferPC != nullptr &&
            extra->u.print_func_params.print_sizeLu > 0) {
            extra->u.print_func_params.print_bufferPC[0] = '\0';
        }
        return PF_Err_NONE;
    case PF_Arbitrary_SCAN_FUNC:
        return PF_Err_CANNOT_PARSE_KEYFRAME_TEXT;
    default:
        break;
    }

    if (inData == nullptr || inData->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *inData->utils;

    switch (which) {
    case PF_Arbitrary_NEW_FUNC: {
        PF_Handle* out = extra->u.new_func_params.arbPH;
        return out != nullptr ? newCurveSetHandle<Traits>(utils, *out) : PF_Err_BAD_CALLBACK_PARAM;
    }
    case PF_Arbitrary_DISPOSE_FUNC:
        if (extra->u.dispose_func_params.arbH != nullptr && utils.host_dispose_handle != nullptr) {
            utils.host_dispose_handle(extra->u.dispose_func_params.arbH);
        }
        return PF_Err_NONE;
    case PF_Arbitrary_COPY_FUNC: {
        const auto& params = extra->u.copy_func_params;
        if (params.dst_arbPH == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return detail::makeCurveSetHandle<Traits>(utils, *params.dst_arbPH, [&](CurveSet& set) {
            if (params.src_arbH == nullptr) {
                return PF_Err_NONE;
            }
            const HostHandleLock source(utils, params.src_arbH, sizeof(CurveSet));
            if (!source) {
                return PF_Err_OUT_OF_MEMORY;
            }
            std::memcpy(&set, source.data(), sizeof(CurveSet));
            return PF_Err_NONE;
        });
    }
    case PF_Arbitrary_FLAT_SIZE_FUNC: {
        const auto& params = extra->u.flat_size_func_params;
        const HostHandleLock value(utils, params.arbH, sizeof(CurveSet));
        if (!value) {
            return PF_Err_OUT_OF_MEMORY;
        }
        if (params.flat_data_sizePLu == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *params.flat_data_sizePLu = A_u_long(writeCurveSet(value.as<CurveSet>()).size() + 1);
        return PF_Err_NONE;
    }
    case PF_Arbitrary_FLATTEN_FUNC: {
        const auto& params = extra->u.flatten_func_params;
        const HostHandleLock value(utils, params.arbH, sizeof(CurveSet));
        if (!value) {
            return PF_Err_OUT_OF_MEMORY;
        }
        const std::string text = writeCurveSet(value.as<CurveSet>());
        // A buffer too small for the text and its NUL gets nothing, and the host hears of it rather
        // than storing whatever the buffer held; a larger one is padded with NULs.
        if (params.flat_dataPV == nullptr || params.buf_sizeLu < text.size() + 1) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        auto* buffer = static_cast<char*>(params.flat_dataPV);
        std::memcpy(buffer, text.data(), text.size());
        std::memset(buffer + text.size(), 0, params.buf_sizeLu - text.size());
        return PF_Err_NONE;
    }
    case PF_Arbitrary_UNFLATTEN_FUNC: {
        const auto& params = extra->u.unflatten_func_params;
        if (params.arbPH == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return detail::makeCurveSetHandle<Traits>(utils, *params.arbPH, [&](CurveSet& set) {
            if (params.flat_dataPV != nullptr) {
                readCurveSet(
                    std::string_view(static_cast<const char*>(params.flat_dataPV), params.buf_sizeLu), set);
            }
            return PF_Err_NONE;
        });
    }
    case PF_Arbitrary_INTERP_FUNC: {
        const auto& params = extra->u.interp_func_params;
        if (params.interpPH == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return detail::makeCurveSetHandle<Traits>(utils, *params.interpPH, [&](CurveSet& set) {
            const HostHandleLock left(utils, params.left_arbH, sizeof(CurveSet));
            const HostHandleLock right(utils, params.right_arbH, sizeof(CurveSet));
            if (!left || !right) {
                return PF_Err_OUT_OF_MEMORY;
            }
            interpolateCurveSet(left.as<CurveSet>(), right.as<CurveSet>(), params.tF, set);
            return PF_Err_NONE;
        });
    }
    case PF_Arbitrary_COMPARE_FUNC: {
        const auto& params = extra->u.compare_func_params;
        const HostHandleLock a(utils, params.a_arbH, sizeof(CurveSet));
        const HostHandleLock b(utils, params.b_arbH, sizeof(CurveSet));
        if (!a || !b) {
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
        }
        if (params.compareP == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *params.compareP = curveSetsEqual(a.as<CurveSet>(), b.as<CurveSet>()) ? PF_ArbCompare_EQUAL
                                                                              : PF_ArbCompare_NOT_EQUAL;
        return PF_Err_NONE;
    }
    default:
        return PF_Err_NONE;
    }
}

} // namespace korvane

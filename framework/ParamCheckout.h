#pragma once
#include "hostapi/AE_Effect.h"

#include <cstring>

namespace korvane {

// A parameter value checked out from the host at the current time and checked in again when the object
// goes, on every path. Objects declared one after another are checked in in the reverse order.
class ParamCheckout {
public:
    ParamCheckout(PF_InData& in_data, PF_ParamIndex index) : inData_(in_data) {
        std::memset(&def_, 0, sizeof def_);
        if (in_data.inter.checkout_param == nullptr || in_data.inter.checkin_param == nullptr) {
            status_ = PF_Err_BAD_CALLBACK_PARAM;
            return;
        }
        status_ = in_data.inter.checkout_param(in_data.effect_ref, index, in_data.current_time,
                                               in_data.time_step, in_data.time_scale, &def_);
        checkedOut_ = status_ == PF_Err_NONE;
    }
    ~ParamCheckout() {
        if (checkedOut_) {
            inData_.inter.checkin_param(inData_.effect_ref, &def_);
        }
    }
    ParamCheckout(const ParamCheckout&) = delete;
    ParamCheckout& operator=(const ParamCheckout&) = delete;

    // The host's result of the checkout; def() holds a value only when it is PF_Err_NONE.
    PF_Err status() const { return status_; }
    const PF_ParamDef& def() const { return def_; }

private:
    PF_InData& inData_;
    PF_ParamDef def_;
    PF_Err status_ = PF_Err_NONE;
    bool checkedOut_ = false;
};

} // namespace korvane

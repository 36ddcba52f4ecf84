// Parameter setup and the sequence data: set up, flattened to text and set up again from it.
#include "tests/host/plugins/ProbeCommands.h"
#include "tests/host/plugins/ProbeLevel.h"
#include "tests/host/plugins/ProbeParams.h"
#include "tests/host/plugins/ProbeState.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace probe {

namespace {

struct Sequence {
    std::int32_t renders;
};

} // namespace

PF_Err paramsSetup(PF_InData* in, PF_OutData* out) {
    auto add = [in](PF_ParamDef& def, const char* name, A_long id) {
        in->utils->ansi.strcpy(def.name, name);
        def.uu.id = id;
        return in->inter.add_param(in->effect_ref, -1, &def);
    };
    PF_Err err = PF_Err_NONE;
    PF_ParamDef def{};
    def.param_type = PF_Param_POPUP;
    def.u.pd.num_choices = 3;
    def.u.pd.dephault = 1;
    def.u.pd.value = 1;
    def.u.pd.u.namesptr = "copy | level | fill";
    def.flags = PF_ParamFlag_SUPERVISE;
    if ((err = add(def, "mode", 1))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_FLOAT_SLIDER;
    def.u.fs_d.valid_min = -100;
    def.u.fs_d.valid_max = 100;
    def.u.fs_d.slider_max = 10;
    def.u.fs_d.dephault = 1.5f;
    def.u.fs_d.value = 1.5;
    def.u.fs_d.precision = 2;
    if ((err = add(def, "amount", 2))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_SLIDER;
    def.u.sd.valid_max = 100;
    def.u.sd.slider_max = 100;
    def.u.sd.dephault = 7;
    def.u.sd.value = 7;
    def.flags = PF_ParamFlag_SUPERVISE;
    if ((err = add(def, "count", 3))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_ANGLE;
    def.u.ad.dephault = 45 << 16;
    def.u.ad.value = 45 << 16;
    if ((err = add(def, "angle", 4))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_CHECKBOX;
    def.u.bd.dephault = 1;
    def.u.bd.value = 1;
    def.u.bd.u.nameptr = "";
    if ((err = add(def, "enabled", 5))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_COLOR;
    def.u.cd.dephault = PF_Pixel{255, 10, 20, 30};
    def.u.cd.value = def.u.cd.dephault;
    if ((err = add(def, "tint", 6))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_POINT;
    def.u.td.x_dephault = 50 << 16;
    def.u.td.y_dephault = 25 << 16;
    def.u.td.x_value = def.u.td.x_dephault;
    def.u.td.y_value = def.u.td.y_dephault;
    if ((err = add(def, "centre", 7))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_GROUP_START;
    if ((err = add(def, "group", 8))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_LAYER;
    def.u.ld.dephault = PF_LayerDefault_NONE;
    if ((err = add(def, "other layer", 9))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_GROUP_END;
    if ((err = add(def, "", 10))) {
        return err;
    }
    def = PF_ParamDef{};
    def.param_type = PF_Param_ARBITRARY_DATA;
    def.flags = PF_ParamFlag_SUPERVISE;
    def.ui_flags = PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL;
    def.ui_width = 300;
    def.ui_height = 200;
    def.u.arb_d.id = 11;
    def.u.arb_d.refconPV = reinterpret_cast<void*>(std::uintptr_t(kProbeRefcon));
    def.u.arb_d.dephault = newLevel(in, kProbeDefaultLevel);
    if (!def.u.arb_d.dephault) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if ((err = add(def, "level", 11))) {
        return err;
    }
    PF_CustomUIInfo ui{};
    ui.events = PF_CustomEFlag_EFFECT;
    if ((err = in->inter.register_ui(in->effect_ref, &ui))) {
        return err;
    }
    out->num_params = kProbeParamCount;
    return PF_Err_NONE;
}

PF_Err sequenceSetup(PF_InData* in, PF_OutData* out) {
    PF_Handle h = in->utils->host_new_handle(sizeof(Sequence));
    if (!h) {
        return PF_Err_OUT_OF_MEMORY;
    }
    auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(h));
    sequence->renders = 0;
    in->utils->host_unlock_handle(h);
    out->sequence_data = h;
    return PF_Err_NONE;
}

PF_Err sequenceFlatten(PF_InData* in, PF_OutData* out) {
    PF_Handle raw = in->sequence_data;
    auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(raw));
    char text[32];
    const int length = std::snprintf(text, sizeof text, "renders %d", sequence->renders);
    in->utils->host_unlock_handle(raw);
    PF_Handle flat = in->utils->host_new_handle(A_u_longlong(length + 1));
    if (!flat) {
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memcpy(in->utils->host_lock_handle(flat), text, std::size_t(length + 1));
    in->utils->host_unlock_handle(flat);
    if (!setting("keepRawSequence")) {
        in->utils->host_dispose_handle(raw);
    }
    out->sequence_data = flat;
    return PF_Err_NONE;
}

PF_Err sequenceResetup(PF_InData* in, PF_OutData* out) {
    PF_Handle flat = in->sequence_data;
    int renders = 0;
    if (flat) {
        const auto size = in->utils->host_get_handle_size(flat);
        const std::string text(static_cast<const char*>(in->utils->host_lock_handle(flat)),
                               std::size_t(size));
        in->utils->host_unlock_handle(flat);
        std::sscanf(text.c_str(), "renders %d", &renders);
        if (!setting("keepFlatSequence")) {
            in->utils->host_dispose_handle(flat);
        }
    }
    const PF_Err err = sequenceSetup(in, out);
    if (err == PF_Err_NONE) {
        auto* sequence = static_cast<Sequence*>(in->utils->host_lock_handle(out->sequence_data));
        sequence->renders = renders;
        in->utils->host_unlock_handle(out->sequence_data);
    }
    return err;
}

} // namespace probe

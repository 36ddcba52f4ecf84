#include "host/cli/TextOutput.h"

#include "hostapi/PF_Errors.h"

#include <cstdio>
#include <sstream>

namespace kvhost {

namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 where the code page leaves the byte undefined.
constexpr char32_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::string utf8FromWindows1252(const std::string& text) {
    std::string out;
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x80 && c < 0xA0) {
            appendUtf8(out, kHighControls[c - 0x80] ? kHighControls[c - 0x80] : U'\uFFFD');
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::string hex8(A_u_long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
    return text;
}

std::string defaultText(const HostParameter& parameter) {
    const PF_ParamDefUnion& u = parameter.registered().u;
    switch (parameter.type()) {
    case PF_Param_LAYER:
        return u.ld.dephault == PF_LayerDefault_MYSELF ? "this layer" : "none";
    case PF_Param_SLIDER:
        return std::to_string(u.sd.dephault);
    case PF_Param_FIX_SLIDER:
        return number(u.fd.dephault / 65536.0);
    case PF_Param_ANGLE:
        return number(u.ad.dephault / 65536.0) + " degrees";
    case PF_Param_CHECKBOX:
        return u.bd.dephault ? "on" : "off";
    case PF_Param_COLOR:
        return std::to_string(u.cd.dephault.red) + "," + std::to_string(u.cd.dephault.green) + "," +
               std::to_string(u.cd.dephault.blue) + "," + std::to_string(u.cd.dephault.alpha);
    case PF_Param_POINT:
        return number(u.td.x_dephault / 65536.0) + "%, " + number(u.td.y_dephault / 65536.0) + "%";
    case PF_Param_POPUP: {
        const std::string item = parameter.choiceText(u.pd.dephault);
        return (item.empty() ? std::string("(no item)") : utf8FromWindows1252(item)) + " (" +
               std::to_string(u.pd.dephault) + ")";
    }
    case PF_Param_FLOAT_SLIDER:
        return number(u.fs_d.dephault);
    case PF_Param_ARBITRARY_DATA: {
        const auto refcon = reinterpret_cast<std::uintptr_t>(u.arb_d.refconPV);
        return refcon <= 0xFFFFFFFFu ? "refcon " + fourCharText(A_u_long(refcon)) : std::string();
    }
    default:
        return std::string();
    }
}

std::string errorText(PF_Err error) {
    const char* name = nullptr;
    switch (error) {
    case PF_Err_OUT_OF_MEMORY:
        name = "out of memory";
        break;
    case PF_Err_INTERNAL_STRUCT_DAMAGED:
        name = "internal structure damaged";
        break;
    case PF_Err_INVALID_INDEX:
        name = "invalid index";
        break;
    case PF_Err_UNRECOGNIZED_PARAM_TYPE:
        name = "unrecognized parameter type";
        break;
    case PF_Err_INVALID_CALLBACK:
        name = "invalid callback";
        break;
    case PF_Err_BAD_CALLBACK_PARAM:
        name = "bad callback parameter";
        break;
    case PF_Interrupt_CANCEL:
        name = "user abort";
        break;
    case PF_Err_CANNOT_PARSE_KEYFRAME_TEXT:
        name = "cannot parse keyframe text";
        break;
    default:
        break;
    }
    return std::to_string(error) + (name ? std::string(" (") + name + ")" : std::string());
}

} // namespace kvhost

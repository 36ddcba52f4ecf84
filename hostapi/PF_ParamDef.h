#pragma once
// Parameter definitions and values, and the image world (layer) record.

#include "hostapi/PF_Flags.h"
#include "hostapi/PF_Types.h"

// ---- image worlds ----------------------------------------------------------------------------

// Pixels of a world: rows of `rowbytes` bytes, pixels in alpha, red, green, blue order at 8 bits
// (PF_Pixel), 16 bits (PF_Pixel16, white is 32768) or float (PF_PixelFloat, white is 1.0).
struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    PF_WorldFlags world_flags;
    void* data; // first pixel of row 0; null when the layer has no pixels
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_UnionableRect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault; // layer parameter default: PF_LayerDefault_NONE or PF_LayerDefault_MYSELF
};
using PF_EffectWorld = PF_LayerDef;

constexpr A_long PF_LayerDefault_MYSELF = -1;
constexpr A_long PF_LayerDefault_NONE = 0;

// ---- parameter types and flags -----------------------------------------------------------------

using PF_ParamType = A_long;
constexpr PF_ParamType PF_Param_RESERVED = -1;
constexpr PF_ParamType PF_Param_LAYER = 0;
constexpr PF_ParamType PF_Param_SLIDER = 1;
constexpr PF_ParamType PF_Param_FIX_SLIDER = 2;
constexpr PF_ParamType PF_Param_ANGLE = 3;
constexpr PF_ParamType PF_Param_CHECKBOX = 4;
constexpr PF_ParamType PF_Param_COLOR = 5;
constexpr PF_ParamType PF_Param_POINT = 6;
constexpr PF_ParamType PF_Param_POPUP = 7;
constexpr PF_ParamType PF_Param_CUSTOM = 8;
constexpr PF_ParamType PF_Param_NO_DATA = 9;
constexpr PF_ParamType PF_Param_FLOAT_SLIDER = 10;
constexpr PF_ParamType PF_Param_ARBITRARY_DATA = 11;
constexpr PF_ParamType PF_Param_PATH = 12;
constexpr PF_ParamType PF_Param_GROUP_START = 13;
constexpr PF_ParamType PF_Param_GROUP_END = 14;
constexpr PF_ParamType PF_Param_BUTTON = 15;

using PF_ParamFlags = A_long;
constexpr PF_ParamFlags PF_ParamFlag_RESERVED1 = 0x1;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_TIME_VARY = 0x2;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_INTERP = 0x4;
constexpr PF_ParamFlags PF_ParamFlag_COLLAPSE_TWIRLY = 0x20;
constexpr PF_ParamFlags PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags PF_ParamFlag_SUPERVISE = 0x40;

using PF_ParamUIFlags = A_long;
constexpr PF_ParamUIFlags PF_PUI_NONE = 0;
constexpr PF_ParamUIFlags PF_PUI_TOPIC = 0x1;
constexpr PF_ParamUIFlags PF_PUI_CONTROL = 0x2;
constexpr PF_ParamUIFlags PF_PUI_STD_CONTROL_ONLY = 0x4;
constexpr PF_ParamUIFlags PF_PUI_NO_ECW_UI = 0x8;
constexpr PF_ParamUIFlags PF_PUI_ECW_SEPARATOR = 0x10;
constexpr PF_ParamUIFlags PF_PUI_DISABLED = 0x20;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_TOPIC = 0x40;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_CONTROL = 0x80;
constexpr PF_ParamUIFlags PF_PUI_INVISIBLE = 0x100;

// Set by the plug-in in uu.change_flags of a parameter value it changed.
using PF_ChangeFlags = A_long;
constexpr PF_ChangeFlags PF_ChangeFlag_NONE = 0;
constexpr PF_ChangeFlags PF_ChangeFlag_CHANGED_VALUE = 1;

using PF_ValueDisplayFlags = A_short;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_NONE = 0;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PERCENT = 1;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PIXEL = 2;

constexpr int PF_MAX_EFFECT_PARAM_NAME_LEN = 31;
constexpr int PF_MAX_PARAM_VALUE_STR_LEN = 31;
constexpr int PF_MAX_PARAM_DESCRIPTION_LEN = 31;

// ---- parameter kinds ---------------------------------------------------------------------------

struct PF_SliderDef {
    PF_ParamValue value;
    A_char value_str[PF_MAX_PARAM_VALUE_STR_LEN + 1];
    A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
    PF_ParamValue valid_min;
    PF_ParamValue valid_max;
    PF_ParamValue slider_min;
    PF_ParamValue slider_max;
    PF_ParamValue dephault;
};

struct PF_FixedSliderDef {
    PF_Fixed value;
    PF_Fixed valid_min;
    PF_Fixed valid_max;
    PF_Fixed slider_min;
    PF_Fixed slider_max;
    PF_Fixed dephault;
    A_short precision;
    A_short display_flags;
};

struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpLong phase;
    PF_FpShort valid_min;
    PF_FpShort valid_max;
    PF_FpShort slider_min;
    PF_FpShort slider_max;
    PF_FpShort dephault;
    A_short precision;
    A_short display_flags; // PF_ValueDisplayFlag_PERCENT / _PIXEL
    A_long fs_flags;
    PF_FpShort curve_tolerance;
    PF_Boolean useExponent;
    PF_FpShort exponent;
};

struct PF_AngleDef {
    PF_Fixed value; // degrees in 16.16
    PF_Fixed dephault;
    PF_Fixed valid_min;
    PF_Fixed valid_max;
};

struct PF_CheckBoxDef {
    PF_ParamValue value;
    PF_Boolean dephault;
    A_char reserved[3];
    union {
        A_long id;
        const A_char* nameptr; // text beside the box
    } u;
};

struct PF_ColorDef {
    PF_UnionablePixel value;
    PF_UnionablePixel dephault;
};

struct PF_PointDef {
    PF_Fixed x_value; // percent of the layer size in 16.16 at registration, pixels in 16.16 when checked out
    PF_Fixed y_value;
    A_char reserved[3];
    PF_Boolean restrict_bounds;
    PF_Fixed x_dephault;
    PF_Fixed y_dephault;
};

struct PF_PopupDef {
    PF_ParamValue value; // 1-based
    A_short num_choices;
    A_short dephault;
    union {
        A_long id;
        const A_char* namesptr; // the choices separated by "|"
    } u;
};

// Arbitrary data values are host handles whose content only the plug-in understands.
using PF_ArbitraryH = PF_Handle;

struct PF_ArbitraryDef {
    A_short id;
    A_short pad;
    PF_ArbitraryH dephault;
    PF_ArbitraryH value;
    void* refconPV;
};

union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PointDef td;
    PF_PopupDef pd;
    PF_FloatSliderDef fs_d;
    PF_ArbitraryDef arb_d;
};

struct PF_ParamDef {
    union {
        A_long id;           // at registration: the stable id stored in projects
        A_long change_flags; // on values handed to the plug-in: PF_ChangeFlag_*
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
};
using PF_ParamDefPtr = PF_ParamDef*;
using PF_ParamList = PF_ParamDef**;

#pragma once
// Basic scalar and record types of the host's effect plug-in interface.
// Names follow the host SDK so that plug-in code reads as plug-in code for that host;
// the record layouts are our own.

#include <cstddef>
#include <cstdint>

using A_long = std::int32_t;
using A_u_long = std::uint32_t;
using A_short = std::int16_t;
using A_u_short = std::uint16_t;
using A_char = char;
using A_u_char = std::uint8_t;
using A_longlong = std::int64_t;
using A_u_longlong = std::uint64_t;
using A_intptr_t = std::intptr_t;
using A_FpLong = double;
using A_FpShort = float;

using PF_Err = A_long;
using PF_Cmd = A_long;
using PF_Boolean = A_u_char;
using PF_Fixed = A_long; // 16.16 fixed point
using PF_FpLong = double;
using PF_FpShort = float;
using PF_ParamIndex = A_long;
using PF_ParamValue = A_long;

// A host memory handle: a pointer to the host's master pointer of the block.
using PF_Handle = void**;

// Opaque reference to the effect instance of the current command; only the host knows what it points at.
struct PF_ProgressInfo;
using PF_ProgPtr = PF_ProgressInfo*;

struct PF_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
};
using PF_Rect = PF_LRect;
using PF_UnionableRect = PF_LRect;

struct PF_Point {
    A_long h;
    A_long v;
};

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

struct PF_SpecVersion {
    A_short major;
    A_short minor;
};

// Pixels in the host's channel order: alpha, red, green, blue.
struct PF_Pixel {
    A_u_char alpha;
    A_u_char red;
    A_u_char green;
    A_u_char blue;
};
using PF_Pixel8 = PF_Pixel;
using PF_UnionablePixel = PF_Pixel;

struct PF_Pixel16 {
    A_u_short alpha;
    A_u_short red;
    A_u_short green;
    A_u_short blue;
};

struct PF_PixelFloat {
    PF_FpShort alpha;
    PF_FpShort red;
    PF_FpShort green;
    PF_FpShort blue;
};
using PF_Pixel32 = PF_PixelFloat;

// A four-character code as a 32-bit multi-character constant: first character in the most significant byte.
constexpr A_u_long PF_FourCharCode(const char (&code)[5]) {
    return (A_u_long(A_u_char(code[0])) << 24) | (A_u_long(A_u_char(code[1])) << 16) |
           (A_u_long(A_u_char(code[2])) << 8) | A_u_long(A_u_char(code[3]));
}

constexpr A_long PF_APPL_ID_AFTER_EFFECTS = A_long(PF_FourCharCode("FXTC"));
constexpr A_long PF_APPL_ID_PREMIERE = A_long(PF_FourCharCode("PrMr"));

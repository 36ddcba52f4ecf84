#pragma once
// Custom user-interface events (PF_Cmd_EVENT) of a parameter's control in the effect-controls panel.

#include "hostapi/PF_Types.h"

using PF_CustomEventFlags = A_long;
constexpr PF_CustomEventFlags PF_CustomEFlag_NONE = 0;
constexpr PF_CustomEventFlags PF_CustomEFlag_COMP = 1;
constexpr PF_CustomEventFlags PF_CustomEFlag_LAYER = 2;
constexpr PF_CustomEventFlags PF_CustomEFlag_EFFECT = 4;
constexpr PF_CustomEventFlags PF_CustomEFlag_PREVIEW = 8;

using PF_UIAlignment = A_long;

// Registered with PF_InteractCallbacks::register_ui right after the parameter that carries the control.
struct PF_CustomUIInfo {
    A_long reserved;
    PF_CustomEventFlags events;
    A_long comp_ui_width;
    A_long comp_ui_height;
    PF_UIAlignment comp_ui_alignment;
    A_long layer_ui_width;
    A_long layer_ui_height;
    PF_UIAlignment layer_ui_alignment;
    A_long preview_ui_width;
    A_long preview_ui_height;
    PF_UIAlignment preview_ui_alignment;
};

using PF_EventType = A_long;
constexpr PF_EventType PF_Event_NEW_CONTEXT = 0;
constexpr PF_EventType PF_Event_ACTIVATE = 1;
constexpr PF_EventType PF_Event_DO_CLICK = 2;
constexpr PF_EventType PF_Event_DRAG = 3;
constexpr PF_EventType PF_Event_DRAW = 4;
constexpr PF_EventType PF_Event_DEACTIVATE = 5;
constexpr PF_EventType PF_Event_CLOSE_CONTEXT = 6;
constexpr PF_EventType PF_Event_IDLE = 7;
constexpr PF_EventType PF_Event_ADJUST_CURSOR = 8;
constexpr PF_EventType PF_Event_KEYDOWN = 9;
constexpr PF_EventType PF_Event_MOUSE_EXITED = 10;

using PF_WindowType = A_long;
constexpr PF_WindowType PF_Window_NONE = -1;
constexpr PF_WindowType PF_Window_COMP = 0;
constexpr PF_WindowType PF_Window_LAYER = 1;
constexpr PF_WindowType PF_Window_EFFECT = 2;

using PF_EffectArea = A_long;
constexpr PF_EffectArea PF_EA_NONE = 0;
constexpr PF_EffectArea PF_EA_PARAM_TITLE = 1;
constexpr PF_EffectArea PF_EA_CONTROL = 2;

using PF_Modifiers = A_long;
constexpr PF_Modifiers PF_Mod_NONE = 0;
constexpr PF_Modifiers PF_Mod_CMD_CTRL_KEY = 0x100;
constexpr PF_Modifiers PF_Mod_SHIFT_KEY = 0x200;
constexpr PF_Modifiers PF_Mod_CAPS_LOCK_KEY = 0x400;
constexpr PF_Modifiers PF_Mod_OPT_ALT_KEY = 0x800;
constexpr PF_Modifiers PF_Mod_MAC_CONTROL_KEY = 0x1000;

using PF_CursorType = A_long;
constexpr PF_CursorType PF_Cursor_NONE = 0; // the host's default cursor
constexpr PF_CursorType PF_Cursor_CUSTOM = 1;
constexpr PF_CursorType PF_Cursor_ARROW = 2;
constexpr PF_CursorType PF_Cursor_HOLLOW_ARROW = 3;
constexpr PF_CursorType PF_Cursor_WATCH_N_WAIT = 4;
constexpr PF_CursorType PF_Cursor_MAGNIFY = 5;
constexpr PF_CursorType PF_Cursor_MAGNIFY_PLUS = 6;
constexpr PF_CursorType PF_Cursor_MAGNIFY_MINUS = 7;
constexpr PF_CursorType PF_Cursor_CROSSHAIRS = 8;
constexpr PF_CursorType PF_Cursor_CROSS_RECT = 9;
constexpr PF_CursorType PF_Cursor_CROSS_OVAL = 10;
constexpr PF_CursorType PF_Cursor_CROSS_ROTATE = 11;
constexpr PF_CursorType PF_Cursor_PAN = 12;
constexpr PF_CursorType PF_Cursor_EYEDROPPER = 13;
constexpr PF_CursorType PF_Cursor_HAND = 14;
constexpr PF_CursorType PF_Cursor_PEN = 15;
constexpr PF_CursorType PF_Cursor_PEN_ADD = 16;
constexpr PF_CursorType PF_Cursor_PEN_DELETE = 17;
constexpr PF_CursorType PF_Cursor_PEN_CLOSE = 18;
constexpr PF_CursorType PF_Cursor_PEN_DRAG = 19;

using PF_EventInFlags = A_long;
constexpr PF_EventInFlags PF_EI_NONE = 0;
constexpr PF_EventInFlags PF_EI_DONT_DRAW = 1;

using PF_EventOutFlags = A_long;
constexpr PF_EventOutFlags PF_EO_NONE = 0;
constexpr PF_EventOutFlags PF_EO_HANDLED_EVENT = 1;
constexpr PF_EventOutFlags PF_EO_ALWAYS_UPDATE = 2;
constexpr PF_EventOutFlags PF_EO_NEVER_UPDATE = 4;
constexpr PF_EventOutFlags PF_EO_UPDATE_NOW = 8;

// Click and drag events share this record. The host keeps continue_refcon from the click to the
// last drag event of the gesture; last_time is set on that last drag event.
struct PF_DoClickEventInfo {
    A_u_long when;
    PF_Point screen_point; // in the coordinates of the effect window
    A_long num_clicks;
    PF_Modifiers modifiers;
    A_intptr_t continue_refcon[4];
    PF_Boolean send_drag; // set by the plug-in to ask for drag events
    PF_Boolean last_time;
};

struct PF_DrawEventInfo {
    PF_UnionableRect update_rect;
    A_long depth;
};

struct PF_AdjustCursorEventInfo {
    PF_Point screen_point;
    PF_Modifiers modifiers;
    PF_CursorType set_cursor; // set by the plug-in
};

struct PF_KeyDownEvent {
    A_u_long when;
    PF_Point screen_point;
    A_long key_code;
    PF_Modifiers modifiers;
};

union PF_EventUnion {
    PF_DoClickEventInfo do_click;
    PF_DrawEventInfo draw;
    PF_KeyDownEvent key_down;
    PF_AdjustCursorEventInfo adjust_cursor;
};

struct PF_Context {
    A_u_long magic;
    PF_WindowType w_type;
    A_long reserved[4];
};
using PF_ContextH = PF_Context*;

// Where in the effect window the event happened: the parameter (by host index), the area and the
// control's frame in window coordinates.
struct PF_EffectWindowInfo {
    PF_ParamIndex index;
    PF_EffectArea area;
    PF_UnionableRect current_frame;
    PF_UnionableRect param_title_frame;
    A_long horiz_offset;
};

// The panel the host gives for drawing: top-down rows of blue, green, red, alpha bytes covering the
// whole effect window. background is the window's background colour as red, green, blue bytes (what
// the platform reports when the application suite is not offered).
struct PF_PanelSurface {
    A_u_char* pixels;
    A_long width;
    A_long height;
    A_long rowbytes;
    A_u_char background[3];
};
using PF_DrawingRef = PF_PanelSurface*;

struct PF_EventCallbacks {
    void* refcon;
    // The drawing surface of the window the event belongs to.
    PF_Err (*get_drawing_reference)(PF_ContextH contextH, PF_DrawingRef* refP);
    void* reserved[6];
};

struct PF_EventExtra {
    PF_ContextH contextH;
    PF_EventType e_type;
    PF_EventUnion u;
    PF_EffectWindowInfo effect_win;
    PF_EventCallbacks cbs;
    PF_EventInFlags evt_in_flags;
    PF_EventOutFlags evt_out_flags;
};

// kv-curves-relative.so: the frei0r module of "KV Curves - Relative".
#include "host/frei0r/FrameGrade.h"

namespace kvhost {
extern const ModuleDescription kModule{"kv-curves-relative", "KV Curves - Relative", "tarnwick.so", true};
}

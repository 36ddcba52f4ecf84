// kv-curves-absolute.so: the frei0r module of "KV Curves - Absolute".
#include "host/frei0r/FrameGrade.h"

namespace kvhost {
extern const ModuleDescription kModule{"kv-curves-absolute", "KV Curves - Absolute", "morrowby.so", false};
}

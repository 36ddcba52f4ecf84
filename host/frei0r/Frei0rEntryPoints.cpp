// The frei0r interface of a module: a filter in the RGBA8888 colour model whose instances are FrameGrades.
// Each module file compiles this with its own ModuleDescription (kModule) and parameter table.
#include "host/frei0r/ClientTime.h"
#include "host/frei0r/FrameGrade.h"
#include "host/frei0r/PluginLocation.h"

extern "C" {
#include <frei0r.h>
}

#include <iostream>
#include <new>
#include <string>

namespace kvhost {
extern const ModuleDescription kModule;
}

namespace {

using kvhost::FrameGrade;
using kvhost::kModule;

enum class Setting { Project, BaseLayer, FrameRate };

struct ParameterEntry {
    Setting setting;
    f0r_param_info_t info;
};

constexpr ParameterEntry kProject{
    Setting::Project,
    {"project", F0R_PARAM_STRING, "kvhost project file: curves, settings and keyframes of the effect"}};
constexpr ParameterEntry kBaseLayer{
    Setting::BaseLayer, {"base layer", F0R_PARAM_STRING, "image file of the effect's base layer, or empty"}};
constexpr ParameterEntry kFrameRate{
    Setting::FrameRate,
    {"frame rate", F0R_PARAM_DOUBLE,
     "frames per second, for clients that give times in frames; 0: times in seconds (milliseconds from "
     "ffmpeg)"}};

constexpr ParameterEntry kWithBaseLayer[] = {kProject, kBaseLayer, kFrameRate};
constexpr ParameterEntry kWithoutBaseLayer[] = {kProject, kFrameRate};

int parameterCount() {
    return kModule.baseLayer ? 3 : 2;
}

const ParameterEntry* parameterAt(int index) {
    if (index < 0 || index >= parameterCount()) {
        return nullptr;
    }
    return kModule.baseLayer ? &kWithBaseLayer[index] : &kWithoutBaseLayer[index];
}

std::string explanation() {
    return std::string("Grades frames with the effect \"") + kModule.title + "\" (" + kModule.pluginFile +
           ") as a kvhost project sets it up";
}

// An instance and the text handed out for its string parameters (valid until the next call).
struct ModuleInstance {
    ModuleInstance(unsigned int width, unsigned int height)
        : grade(kModule, int(width), int(height), kvhost::folderOfThisModule(), std::cerr) {}

    FrameGrade grade;
    char* handedOut = nullptr;
    std::string handedOutText;
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) int f0r_init() {
    return 1;
}

__attribute__((visibility("default"))) void f0r_deinit() {}

__attribute__((visibility("default"))) void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    static const std::string text = explanation();
    if (!info) {
        return;
    }
    info->name = kModule.title;
    info->author = "Korvane";
    info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 1;
    info->minor_version = 0;
    info->num_params = parameterCount();
    info->explanation = text.c_str();
}

__attribute__((visibility("default"))) void f0r_get_param_info(f0r_param_info_t* info, int index) {
    const ParameterEntry* entry = parameterAt(index);
    if (info && entry) {
        *info = entry->info;
    }
}

__attribute__((visibility("default"))) f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    if (width > 65536 || height > 65536) {
        return nullptr;
    }
    try {
        return new ModuleInstance(width, height);
    } catch (...) {
        return nullptr;
    }
}

__attribute__((visibility("default"))) void f0r_destruct(f0r_instance_t instance) {
    delete static_cast<ModuleInstance*>(instance);
}

__attribute__((visibility("default"))) void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param,
                                                                int index) {
    auto* module = static_cast<ModuleInstance*>(instance);
    const ParameterEntry* entry = parameterAt(index);
    if (!module || !param || !entry) {
        return;
    }
    try {
        if (entry->setting == Setting::FrameRate) {
            module->grade.setFrameRate(*static_cast<const f0r_param_double*>(param));
            return;
        }
        const char* text = *static_cast<const f0r_param_string*>(param);
        const std::string value = text ? text : "";
        if (entry->setting == Setting::Project) {
            module->grade.setProject(value);
        } else {
            module->grade.setBaseLayer(value);
        }
    } catch (...) {
        // Out of memory while copying a path: the setting stays as it was.
    }
}

__attribute__((visibility("default"))) void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param,
                                                                int index) {
    auto* module = static_cast<ModuleInstance*>(instance);
    const ParameterEntry* entry = parameterAt(index);
    if (!module || !param || !entry) {
        return;
    }
    if (entry->setting == Setting::FrameRate) {
        *static_cast<f0r_param_double*>(param) = module->grade.frameRate();
        return;
    }
    try {
        module->handedOutText =
            entry->setting == Setting::Project ? module->grade.project() : module->grade.baseLayer();
        module->handedOut = module->handedOutText.data();
    } catch (...) {
        module->handedOutText.clear();
        module->handedOut = module->handedOutText.data();
    }
    *static_cast<f0r_param_string*>(param) = module->handedOut;
}

__attribute__((visibility("default"))) void f0r_update(f0r_instance_t instance, double time,
                                                       const uint32_t* inframe, uint32_t* outframe) {
    auto* module = static_cast<ModuleInstance*>(instance);
    if (!module || !inframe || !outframe) {
        return;
    }
    const kvhost::ClientTimeUnit unit = kvhost::clientTimeUnit(__builtin_return_address(0));
    try {
        module->grade.update(kvhost::renderSeconds(time, unit, module->grade.frameRate()), inframe, outframe);
    } catch (...) {
        // FrameGrade reports its own failures; nothing may reach the client's C code.
    }
}

} // extern "C"

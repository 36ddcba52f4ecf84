#pragma once
#include "host/HostImage.h"
#include "hostapi/PF_Events.h"
#include "hostapi/PF_ParamDef.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvhost {

// A PF_UpdateParamUI call as the host received it.
struct ParamUIUpdate {
    PF_ParamIndex index = 0;
    PF_ParamDef def{};
};

// One parameter the plug-in registered: its definition as registered, its current state as the host
// shows it (ui flags, ranges, value) and its keyframes. Index 0 is the input layer, which the host
// adds itself.
class HostParameter {
public:
    // A value at a time; the union member that holds it depends on the type.
    struct Keyframe {
        double seconds = 0.0;
        PF_ParamDefUnion value{};
        PF_Handle arbitrary = nullptr; // arbitrary data: the host-owned value handle
    };

    HostParameter(int index, const PF_ParamDef& registered);
    // Text pointers inside the definitions point at members: never copied or moved.
    HostParameter(const HostParameter&) = delete;
    HostParameter& operator=(const HostParameter&) = delete;

    int index() const { return index_; }
    const std::string& name() const { return name_; }
    PF_ParamType type() const { return registered_.param_type; }
    A_long id() const { return registered_.uu.id; }
    // The definition as the plug-in registered it (text pointers point at the host's own copies).
    const PF_ParamDef& registered() const { return registered_; }
    // The current state: ui flags, ranges and precision as PF_UpdateParamUI left them, and the value.
    const PF_ParamDef& current() const { return current_; }
    PF_ParamDef& current() { return current_; }
    // Popup items split at "|", trimmed.
    const std::vector<std::string>& choices() const { return choices_; }
    // The popup item text for a 1-based value; empty when the value is out of range.
    std::string choiceText(A_long value) const;
    static const char* typeName(PF_ParamType type);

    bool animated() const { return !keyframes_.empty(); }
    std::vector<Keyframe>& keyframes() { return keyframes_; }
    const std::vector<Keyframe>& keyframes() const { return keyframes_; }
    // Inserts or replaces (same time) a keyframe; keeps them in time order. Returns the handle it
    // replaced, for the caller to dispose (arbitrary data only).
    PF_Handle setKeyframe(const Keyframe& keyframe);
    // The value of a non-arbitrary parameter at a time: numbers blend linearly between keyframes,
    // popups, checkboxes and parameters that cannot interpolate hold the earlier keyframe.
    PF_ParamDefUnion valueAt(double seconds) const;
    // Stores the value fields of `value` (not its ranges), changed by the plug-in or the user: the static
    // value, or the keyframe at `seconds` when the parameter is animated.
    void storeValue(const PF_ParamDefUnion& value, double seconds);

    // Arbitrary data: the default and the static value (host-owned handles).
    PF_Handle arbitraryDefault = nullptr;
    PF_Handle arbitraryValue = nullptr;
    // Layer parameters: the image, or none, and the file it came from (empty when none or not a file);
    // a saved project records the file.
    std::shared_ptr<HostImage> layer;
    std::string layerFile;
    // Custom user interface registered right after this parameter.
    std::optional<PF_CustomUIInfo> customUI;

private:
    int index_;
    std::string name_;
    PF_ParamDef registered_{};
    PF_ParamDef current_{};
    std::string popupNames_;
    std::string checkboxLabel_;
    std::vector<std::string> choices_;
    std::vector<Keyframe> keyframes_;
};

} // namespace kvhost

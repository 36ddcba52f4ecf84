#pragma once
#include "framework/xParameterDef.h"

#include <cstdint>

namespace korvane {

class AfterEffectsHost;

// An element of the parameter list.
class xParameterBase {
public:
    virtual ~xParameterBase() = default;
    virtual const xParameterDef& definition() const = 0;
};

// Mixin of elements registered with After Effects: the owning host and the position in the host's
// parameter array (-1 until dispatch numbers the list).
class xParameterBaseAE {
public:
    virtual ~xParameterBaseAE() = default;

    AfterEffectsHost* host() const { return host_; }
    void setHost(AfterEffectsHost* host) { host_ = host; }
    std::int32_t hostIndex() const { return hostIndex_; }
    void setHostIndex(std::int32_t index) { hostIndex_ = index; }

private:
    AfterEffectsHost* host_ = nullptr;
    std::int32_t hostIndex_ = -1;
};

// Any registered control described by its definition alone.
class xParameter : public xParameterBase, public xParameterBaseAE {
public:
    explicit xParameter(const xParameterDef& definition) : definition_(definition) {}
    const xParameterDef& definition() const override { return definition_; }

private:
    const xParameterDef& definition_;
};

} // namespace korvane

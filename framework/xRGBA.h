#pragma once
#include "framework/xParameterBase.h"

#include <cstdint>

namespace korvane {

// A colour parameter, with the host index of its alpha slider when the definition asks for one.
class xRGBA : public xParameterBase, public xParameterBaseAE {
public:
    explicit xRGBA(const xRGBADef& definition) : definition_(definition) {}
    const xParameterDef& definition() const override { return definition_; }
    const xRGBADef& colourDefinition() const { return definition_; }

    std::int32_t alphaIndex() const { return alphaIndex_; }
    void setAlphaIndex(std::int32_t index) { alphaIndex_ = index; }

private:
    const xRGBADef& definition_;
    std::int32_t alphaIndex_ = -1;
};

} // namespace korvane

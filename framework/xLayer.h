#pragma once
#include "framework/xParameterBase.h"

namespace korvane {

// A layer parameter: an extra image handed to the render operations under its definition's name.
class xLayer : public xParameterBase, public xParameterBaseAE {
public:
    explicit xLayer(const xLayerDef& definition) : definition_(definition) {}
    const xParameterDef& definition() const override { return definition_; }

private:
    const xLayerDef& definition_;
};

} // namespace korvane

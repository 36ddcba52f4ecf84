#pragma once
#include "framework/xParameterBase.h"

#include <cstddef>
#include <vector>

namespace korvane {

// The effect's controls in registration order. The elements belong to the effect.
class xParameterList {
public:
    using const_iterator = std::vector<xParameterBase*>::const_iterator;

    void add(xParameterBase& parameter) { parameters_.push_back(&parameter); }
    std::size_t size() const { return parameters_.size(); }
    bool empty() const { return parameters_.empty(); }
    const_iterator begin() const { return parameters_.begin(); }
    const_iterator end() const { return parameters_.end(); }

private:
    std::vector<xParameterBase*> parameters_;
};

} // namespace korvane

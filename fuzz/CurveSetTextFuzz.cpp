// The curve-set text of both effects, as a hand-edited or damaged project stores it: read, written and
// read again it must stay the same, every node finite; the plug-ins read the same set through their
// unflatten callback and render with it.
#include "curves/EffectTraits.h"
#include "fuzz/CurveChecks.h"
#include "fuzz/EffectRuns.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <string_view>

using namespace korvane;
using namespace korvane::fuzz;

namespace {

void throughPlugin(Effect effect, const std::uint8_t* data, std::size_t size, const std::string& expected,
                   int depth) {
    const auto instance = newInstance(effect);
    const int curve = curveParameter(*instance);
    instance->setArbitraryFlat(curve, std::vector<std::uint8_t>(data, data + size));
    require(instance->arbitraryFlat(curve) == flatText(expected), "the plug-in reads what the reader reads");
    requireGoodRender(*instance, depth);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string relative = stableCurveSetText<RelativeTraits>(text);
    const std::string absolute = stableCurveSetText<AbsoluteTraits>(text);
    const int depth = depthOf(size > 0 ? data[size - 1] : 0);
    throughPlugin(Effect::Absolute, data, size, absolute, depth);
    throughPlugin(Effect::Relative, data, size, relative, depth);
    return 0;
}

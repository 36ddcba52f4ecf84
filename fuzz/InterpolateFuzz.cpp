// The arbitrary-data callbacks of the "curve" parameter on fuzzed values: two curve sets unflattened from
// fuzzed text, blended at a fuzzed weight, then copied, compared, flattened and unflattened. Every node of
// the blend is finite, its text is stable, and no handle is left live or locked.
//
// Input: byte 0 chooses the effect (bit 0) and how bytes 1..8 give the weight (bit 1: a raw double, else
// byte 1 / 255 stretched over -0.5..1.5 by bit 2); the rest is the two curve-set texts split at the first
// NUL.
#include "curves/CurveArbitrary.h"
#include "curves/EffectTraits.h"
#include "fuzz/CurveChecks.h"
#include "fuzz/FuzzCheck.h"
#include "tests/curves/FakeHost.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace korvane;
using namespace korvane::fuzz;
using korvane::test::FakeHost;

namespace {

constexpr std::size_t kHeader = 9;

template <class Traits>
class Callbacks {
public:
    explicit Callbacks(FakeHost& host) : host_(host) {}

    PF_Err call(PF_ArbParamsExtra& extra) {
        extra.refconPV = arbRefcon<Traits>();
        return curveSetArbitraryCallback<Traits>(host_.inData(), &extra);
    }

    PF_Handle unflatten(std::string_view text) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_UNFLATTEN_FUNC;
        PF_Handle made = nullptr;
        extra.u.unflatten_func_params.buf_sizeLu = A_u_long(text.size());
        extra.u.unflatten_func_params.flat_dataPV = text.data();
        extra.u.unflatten_func_params.arbPH = &made;
        require(call(extra) == PF_Err_NONE && made != nullptr, "unflatten makes a value");
        return made;
    }

    PF_Handle interpolate(PF_Handle left, PF_Handle right, double t) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_INTERP_FUNC;
        PF_Handle made = nullptr;
        extra.u.interp_func_params.left_arbH = left;
        extra.u.interp_func_params.right_arbH = right;
        extra.u.interp_func_params.tF = t;
        extra.u.interp_func_params.interpPH = &made;
        require(call(extra) == PF_Err_NONE && made != nullptr, "interpolate makes a value");
        return made;
    }

    PF_Handle copy(PF_Handle source) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_COPY_FUNC;
        PF_Handle made = nullptr;
        extra.u.copy_func_params.src_arbH = source;
        extra.u.copy_func_params.dst_arbPH = &made;
        require(call(extra) == PF_Err_NONE && made != nullptr, "copy makes a value");
        return made;
    }

    bool equal(PF_Handle a, PF_Handle b) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_COMPARE_FUNC;
        PF_ArbCompareResult result = PF_ArbCompare_NOT_EQUAL;
        extra.u.compare_func_params.a_arbH = a;
        extra.u.compare_func_params.b_arbH = b;
        extra.u.compare_func_params.compareP = &result;
        require(call(extra) == PF_Err_NONE, "compare succeeds");
        return result == PF_ArbCompare_EQUAL;
    }

    std::string flatten(PF_Handle value) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_FLAT_SIZE_FUNC;
        A_u_long size = 0;
        extra.u.flat_size_func_params.arbH = value;
        extra.u.flat_size_func_params.flat_data_sizePLu = &size;
        require(call(extra) == PF_Err_NONE && size > 0, "flat size succeeds");
        std::string buffer(size, '\x7f');
        extra = PF_ArbParamsExtra{};
        extra.which_function = PF_Arbitrary_FLATTEN_FUNC;
        extra.u.flatten_func_params.arbH = value;
        extra.u.flatten_func_params.buf_sizeLu = size;
        extra.u.flatten_func_params.flat_dataPV = buffer.data();
        require(call(extra) == PF_Err_NONE, "flatten succeeds");
        require(buffer.back() == '\0' && buffer.find('\0') == size - 1, "flat text ends with its only NUL");
        buffer.pop_back();
        return buffer;
    }

    void dispose(PF_Handle value) {
        PF_ArbParamsExtra extra{};
        extra.which_function = PF_Arbitrary_DISPOSE_FUNC;
        extra.u.dispose_func_params.arbH = value;
        require(call(extra) == PF_Err_NONE, "dispose succeeds");
    }

    typename Traits::CurveSetType read(PF_Handle value) {
        require(host_.owns(value), "the plug-in names a live handle");
        require(host_.utils().host_get_handle_size(value) == sizeof(typename Traits::CurveSetType),
                "a value holds one curve set");
        return host_.contents<typename Traits::CurveSetType>(value);
    }

private:
    FakeHost& host_;
};

template <class Traits>
void blend(std::string_view a, std::string_view b, double t) {
    FakeHost host;
    {
        Callbacks<Traits> callbacks(host);
        const PF_Handle left = callbacks.unflatten(a);
        const PF_Handle right = callbacks.unflatten(b);
        const PF_Handle result = callbacks.interpolate(left, right, t);
        const auto leftSet = callbacks.read(left);
        const auto rightSet = callbacks.read(right);
        const auto blended = callbacks.read(result);
        checkCurveSet(blended);
        for (int k = 0; k < kCurveCount; ++k) {
            for (int slot = 0; slot < kCurveSlots; ++slot) {
                const bool both = leftSet.curves[k].nodes[slot].active != 0 &&
                                  rightSet.curves[k].nodes[slot].active != 0;
                require((blended.curves[k].nodes[slot].active != 0) == both,
                        "a blended node is active where both values have one");
            }
        }

        const std::string text = callbacks.flatten(result);
        const PF_Handle reread = callbacks.unflatten(text);
        require(callbacks.flatten(reread) == text, "the blend's text is stable");
        const PF_Handle copied = callbacks.copy(result);
        require(callbacks.equal(copied, result), "a copy compares equal");
        require(callbacks.equal(reread, reread), "a value compares equal to itself");
        for (const PF_Handle h : {left, right, result, reread, copied}) {
            callbacks.dispose(h);
        }
    }
    require(host.liveHandles() == 0, "no value handle is left");
    require(host.lockedHandles() == 0, "no handle is left locked");
    require(host.misuses() == 0, "handles are unlocked only while locked and disposed of unlocked");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    double t = 0.0;
    if ((mode & 2) != 0) {
        std::memcpy(&t, data + 1, sizeof t);
    } else {
        t = data[1] / 255.0;
        if ((mode & 4) != 0) {
            t = t * 2.0 - 0.5;
        }
    }
    const std::string_view rest(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
    const std::size_t split = rest.find('\0');
    const std::string_view a = rest.substr(0, split);
    const std::string_view b = split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
    if ((mode & 1) != 0) {
        blend<RelativeTraits>(a, b, t);
    } else {
        blend<AbsoluteTraits>(a, b, t);
    }
    return 0;
}

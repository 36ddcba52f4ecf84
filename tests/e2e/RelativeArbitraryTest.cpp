// The Relative effect's "curve" value through the host: its default, its stored text with the per-property
// settings, keyframe blending of those settings, and the answers to a foreign refcon through the entry point.
#include "tests/e2e/RelativeEffect.h"

#include <gtest/gtest.h>

namespace korvane::relativetest {
namespace {

std::string textOf(const std::vector<std::uint8_t>& flat) {
    EXPECT_FALSE(flat.empty());
    EXPECT_EQ(flat.back(), 0);
    return std::string(flat.begin(), flat.end() - 1);
}

TEST(RelativeArbitrary, TheDefaultValueIsTheResetCurveSetWithItsSettings) {
    RelativeEffect effect;
    const std::string text = textOf(effect->arbitraryFlat(kCurveParam));
    EXPECT_EQ(text, writeCurveSet(defaultCurves()));
    // Factor 1 for every property but the post blur, whose default strength is 10.
    EXPECT_NE(text.find("curve_values_brightness 0 0 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("curve_values_postblur 0 0 10\n"), std::string::npos) << text;
    EXPECT_NE(text.find("curve_postblur "), std::string::npos);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeArbitrary, SettingsSurviveUnflattenFlattenAndCompare) {
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.basedOn[1] = 2;
    set.changeBy[1] = 1;
    set.changeFactor[1] = -0.25;
    set.curves[1] = polylineCurve({{0.0, 0.5}, {1.0, -0.5}});
    set.curves[1].loop = 1;
    const std::vector<std::uint8_t> flat = flatText(writeCurveSet(set));
    effect->setArbitraryFlat(kCurveParam, flat);
    const RelativeCurveSet back = effect.curves();
    EXPECT_EQ(back.basedOn[1], 2);
    EXPECT_EQ(back.changeBy[1], 1);
    EXPECT_EQ(back.changeFactor[1], -0.25);
    EXPECT_EQ(back.curves[1].loop, 1);
    EXPECT_TRUE(effect->arbitraryEqual(kCurveParam, flat, effect->arbitraryFlat(kCurveParam)));
    // A change of one setting alone makes the values differ.
    RelativeCurveSet other = set;
    other.changeBy[1] = 0;
    EXPECT_FALSE(effect->arbitraryEqual(kCurveParam, flat, flatText(writeCurveSet(other))));
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeArbitrary, KeyframesSwitchThePopupsHalfwayAndBlendTheFactor) {
    RelativeEffect effect;
    RelativeCurveSet a = defaultCurves();
    RelativeCurveSet b = defaultCurves();
    a.basedOn[3] = 4;
    b.basedOn[3] = 5;
    a.changeBy[3] = 0;
    b.changeBy[3] = 1;
    a.changeFactor[3] = 1.0;
    b.changeFactor[3] = 3.0;
    effect->setArbitraryKeyframe(kCurveParam, 0.0, flatText(writeCurveSet(a)));
    effect->setArbitraryKeyframe(kCurveParam, 4.0, flatText(writeCurveSet(b)));
    auto at = [&](double seconds) {
        const std::vector<std::uint8_t> flat = effect->arbitraryFlatAt(kCurveParam, seconds);
        RelativeCurveSet set{};
        readCurveSet(std::string_view(reinterpret_cast<const char*>(flat.data()), flat.size()), set);
        return set;
    };
    // A quarter of the way: the popups are still the first keyframe's, the factor 1 + 2 / 4.
    const RelativeCurveSet early = at(1.0);
    EXPECT_EQ(early.basedOn[3], 4);
    EXPECT_EQ(early.changeBy[3], 0);
    EXPECT_NEAR(early.changeFactor[3], 1.5, 1e-9);
    // Three quarters: the second keyframe's popups.
    const RelativeCurveSet late = at(3.0);
    EXPECT_EQ(late.basedOn[3], 5);
    EXPECT_EQ(late.changeBy[3], 1);
    EXPECT_NEAR(late.changeFactor[3], 2.5, 1e-9);
    EXPECT_EQ(effect->problems(), "");
}

void* refcon(const char (&code)[5]) {
    return reinterpret_cast<void*>(std::uintptr_t(PF_FourCharCode(code)));
}

PF_Err callArbitrary(const kvhost::PluginFile& plugin, PF_ArbParamsExtra& extra) {
    PF_InData in{};
    PF_OutData out{};
    return plugin.entryPoint()(PF_Cmd_ARBITRARY_CALLBACK, &in, &out, nullptr, nullptr, &extra);
}

TEST(RelativeArbitrary, TheAbsoluteRefconIsForeignHere) {
    kvhost::PluginFile plugin(KV_TARNWICK);
    PF_Handle made = nullptr;
    PF_ArbParamsExtra extra{};
    extra.refconPV = refcon("QZAC");
    extra.which_function = PF_Arbitrary_NEW_FUNC;
    extra.u.new_func_params.arbPH = &made;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(made, nullptr);

    A_u_long size = 0;
    extra = PF_ArbParamsExtra{};
    extra.refconPV = refcon("QZAC");
    extra.which_function = PF_Arbitrary_PRINT_SIZE_FUNC;
    extra.u.print_size_func_params.print_sizePLu = &size;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(size, 0u);

    // Its own refcon: a print size of 1024 and no scanning.
    extra.refconPV = refcon("QZRC");
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_NONE);
    EXPECT_EQ(size, 1024u);
    extra = PF_ArbParamsExtra{};
    extra.refconPV = refcon("QZRC");
    extra.which_function = PF_Arbitrary_SCAN_FUNC;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_CANNOT_PARSE_KEYFRAME_TEXT);
}

} // namespace
} // namespace korvane::relativetest

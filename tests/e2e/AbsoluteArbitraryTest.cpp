// The "curve" parameter's arbitrary data and the sequence data commands of the Absolute effect, through the
// host and, for what the host never sends (a foreign refcon, printing), through the plug-in's entry point.
#include "curves/EditorStateText.h"
#include "tests/e2e/AbsoluteEffect.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

std::string textOf(const std::vector<std::uint8_t>& flat) {
    EXPECT_FALSE(flat.empty());
    EXPECT_EQ(flat.back(), 0);
    return std::string(flat.begin(), flat.end() - 1);
}

TEST(AbsoluteArbitrary, TheDefaultValueIsTheResetCurveSet) {
    AbsoluteEffect effect;
    EXPECT_EQ(textOf(effect->arbitraryFlat(kCurveParam)), writeCurveSet(defaultCurves()));
    const std::string text = writeCurveSet(defaultCurves());
    for (const char* key : {"curve_brightness ", "curve_saturation ", "curve_hue ", "curve_rgb ",
                            "curve_red ", "curve_green ", "curve_blue ", "curve_alpha "}) {
        EXPECT_NE(text.find(key), std::string::npos) << key;
    }
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteArbitrary, AValueSurvivesUnflattenFlattenAndCompares) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[5] = makeCurve({{0.0, 0.1}, {0.5, 0.7}, {1.0, 0.9}});
    const std::vector<std::uint8_t> flat = flatText(writeCurveSet(set));
    effect->setArbitraryFlat(kCurveParam, flat);
    const std::vector<std::uint8_t> back = effect->arbitraryFlat(kCurveParam);
    // Six digits once; a second round trip is exact.
    effect->setArbitraryFlat(kCurveParam, back);
    EXPECT_EQ(effect->arbitraryFlat(kCurveParam), back);
    EXPECT_TRUE(effect->arbitraryEqual(kCurveParam, back, back));
    EXPECT_FALSE(effect->arbitraryEqual(kCurveParam, back, flatText(writeCurveSet(defaultCurves()))));
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteArbitrary, KeyframesBlendTheHueNodeAcrossTheWrap) {
    AbsoluteEffect effect;
    AbsoluteCurveSet a = defaultCurves();
    AbsoluteCurveSet b = defaultCurves();
    a.curves[2].nodes[0].x = 0.95;
    b.curves[2].nodes[0].x = 0.05;
    effect->setArbitraryKeyframe(kCurveParam, 0.0, flatText(writeCurveSet(a)));
    effect->setArbitraryKeyframe(kCurveParam, 2.0, flatText(writeCurveSet(b)));
    AbsoluteCurveSet middle{};
    const std::vector<std::uint8_t> flat = effect->arbitraryFlatAt(kCurveParam, 1.0);
    readCurveSet(std::string_view(reinterpret_cast<const char*>(flat.data()), flat.size()), middle);
    // Halfway between 0.95 and 0.05 across the wrap is 0, not 0.5.
    EXPECT_NEAR(middle.curves[2].nodes[0].x, 0.0, 1e-6);
    // Before the first keyframe: a copy of it.
    EXPECT_EQ(textOf(effect->arbitraryFlatAt(kCurveParam, -1.0)),
              textOf(flatText(writeCurveSet(a))).substr(0));
    EXPECT_EQ(effect->problems(), "");
}

// One arbitrary-data callback straight into the plug-in's entry point; the host's records hold nothing.
PF_Err callArbitrary(const kvhost::PluginFile& plugin, PF_ArbParamsExtra& extra) {
    PF_InData in{};
    PF_OutData out{};
    return plugin.entryPoint()(PF_Cmd_ARBITRARY_CALLBACK, &in, &out, nullptr, nullptr, &extra);
}

void* refcon(const char (&code)[5]) {
    return reinterpret_cast<void*>(std::uintptr_t(PF_FourCharCode(code)));
}

TEST(AbsoluteArbitrary, AForeignRefconIsAnsweredWithoutTouchingAnything) {
    kvhost::PluginFile plugin(KV_MORROWBY);
    // A value that must stay where it is: the plug-in never follows or replaces it.
    void* sentinel = reinterpret_cast<void*>(std::uintptr_t(0x5A5A5A5A));
    PF_Handle foreignHandle = static_cast<PF_Handle>(sentinel);
    const struct {
        PF_ArbitraryFunc which;
        PF_Err expected;
    } cases[] = {
        {PF_Arbitrary_NEW_FUNC, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {PF_Arbitrary_DISPOSE_FUNC, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {PF_Arbitrary_COPY_FUNC, PF_Err_NONE},
        {PF_Arbitrary_FLAT_SIZE_FUNC, PF_Err_NONE},
        {PF_Arbitrary_FLATTEN_FUNC, PF_Err_NONE},
        {PF_Arbitrary_UNFLATTEN_FUNC, PF_Err_NONE},
        {PF_Arbitrary_INTERP_FUNC, PF_Err_NONE},
        {PF_Arbitrary_COMPARE_FUNC, PF_Err_NONE},
        {PF_Arbitrary_PRINT_SIZE_FUNC, PF_Err_UNRECOGNIZED_PARAM_TYPE},
        {PF_Arbitrary_PRINT_FUNC, PF_Err_UNRECOGNIZED_PARAM_TYPE},
        {PF_Arbitrary_SCAN_FUNC, PF_Err_UNRECOGNIZED_PARAM_TYPE},
    };
    for (const auto& c : cases) {
        PF_Handle made = foreignHandle;
        A_u_long size = 77;
        char buffer[8] = "keep";
        PF_ArbCompareResult compared = 99;
        PF_ArbParamsExtra extra{};
        extra.which_function = c.which;
        extra.refconPV = refcon("QZRC");
        switch (c.which) {
        case PF_Arbitrary_NEW_FUNC:
            extra.u.new_func_params.arbPH = &made;
            break;
        case PF_Arbitrary_DISPOSE_FUNC:
            extra.u.dispose_func_params.arbH = foreignHandle;
            break;
        case PF_Arbitrary_COPY_FUNC:
            extra.u.copy_func_params.src_arbH = foreignHandle;
            extra.u.copy_func_params.dst_arbPH = &made;
            break;
        case PF_Arbitrary_FLAT_SIZE_FUNC:
            extra.u.flat_size_func_params.arbH = foreignHandle;
            extra.u.flat_size_func_params.flat_data_sizePLu = &size;
            break;
        case PF_Arbitrary_FLATTEN_FUNC:
            extra.u.flatten_func_params.arbH = foreignHandle;
            extra.u.flatten_func_params.buf_sizeLu = sizeof buffer;
            extra.u.flatten_func_params.flat_dataPV = buffer;
            break;
        case PF_Arbitrary_UNFLATTEN_FUNC:
            extra.u.unflatten_func_params.flat_dataPV = "version 0\n";
            extra.u.unflatten_func_params.buf_sizeLu = 11;
            extra.u.unflatten_func_params.arbPH = &made;
            break;
        case PF_Arbitrary_INTERP_FUNC:
            extra.u.interp_func_params.left_arbH = foreignHandle;
            extra.u.interp_func_params.right_arbH = foreignHandle;
            extra.u.interp_func_params.interpPH = &made;
            break;
        case PF_Arbitrary_COMPARE_FUNC:
            extra.u.compare_func_params.a_arbH = foreignHandle;
            extra.u.compare_func_params.b_arbH = foreignHandle;
            extra.u.compare_func_params.compareP = &compared;
            break;
        case PF_Arbitrary_PRINT_SIZE_FUNC:
            extra.u.print_size_func_params.arbH = foreignHandle;
            extra.u.print_size_func_params.print_sizePLu = &size;
            break;
        case PF_Arbitrary_PRINT_FUNC:
            extra.u.print_func_params.arbH = foreignHandle;
            extra.u.print_func_params.print_sizeLu = sizeof buffer;
            extra.u.print_func_params.print_bufferPC = buffer;
            break;
        default:
            break;
        }
        EXPECT_EQ(callArbitrary(plugin, extra), c.expected) << c.which;
        EXPECT_EQ(made, foreignHandle) << c.which;
        EXPECT_EQ(size, 77u) << c.which;
        EXPECT_STREQ(buffer, "keep") << c.which;
        EXPECT_EQ(compared, 99) << c.which;
    }
}

TEST(AbsoluteArbitrary, TheCurveValueHasNoPrintedForm) {
    kvhost::PluginFile plugin(KV_MORROWBY);
    A_u_long size = 0;
    PF_ArbParamsExtra extra{};
    extra.refconPV = refcon("QZAC");
    extra.which_function = PF_Arbitrary_PRINT_SIZE_FUNC;
    extra.u.print_size_func_params.print_sizePLu = &size;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_NONE);
    EXPECT_EQ(size, 1024u);

    char buffer[16] = "left over";
    extra = PF_ArbParamsExtra{};
    extra.refconPV = refcon("QZAC");
    extra.which_function = PF_Arbitrary_PRINT_FUNC;
    extra.u.print_func_params.print_sizeLu = sizeof buffer;
    extra.u.print_func_params.print_bufferPC = buffer;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_NONE);
    EXPECT_STREQ(buffer, "");

    extra = PF_ArbParamsExtra{};
    extra.refconPV = refcon("QZAC");
    extra.which_function = PF_Arbitrary_SCAN_FUNC;
    EXPECT_EQ(callArbitrary(plugin, extra), PF_Err_CANNOT_PARSE_KEYFRAME_TEXT);
}

TEST(AbsoluteSequenceData, FlattenWritesTheTextAndResetupReadsItBack) {
    AbsoluteEffect effect;
    auto states = AbsoluteEffect::newSequence();
    states->current = 6;
    states->scale = 1023.0;
    states->states[6].active = 2;
    states->states[6].viewXStart = -0.25;
    states->states[6].histogram = 2;
    states->states[6].selected[2] = 1;
    states->histogramMode = 2;
    states->histogramPixels = 12;
    states->histogramBins[1][7] = 5;
    effect.setSequence(*states);

    const std::vector<std::uint8_t> flat = effect->flattenSequence();
    EXPECT_EQ(textOf(flat), writeEditorStateSet<AbsoluteTraits>(*states));
    EXPECT_NE(textOf(flat).find("curve_sq_rgb "), std::string::npos);
    EXPECT_EQ(effect->sequenceData() != nullptr && effect->sequenceIsFlat(), true);
    // Flattening a second time keeps the text as it is.
    EXPECT_EQ(effect->flattenSequence(), flat);

    ASSERT_EQ(effect->resetupSequence(), PF_Err_NONE);
    const auto back = effect.sequence();
    EXPECT_EQ(back->current, 6);
    EXPECT_EQ(back->scale, 1023.0);
    EXPECT_EQ(back->states[6].active, 2);
    EXPECT_EQ(back->states[6].viewXStart, -0.25);
    EXPECT_EQ(back->states[6].histogram, 2);
    // Neither the selection nor the histograms travel in the text.
    EXPECT_EQ(back->states[6].selected[2], 0);
    EXPECT_EQ(back->histogramMode, 0);
    EXPECT_EQ(back->histogramPixels, 0);
    EXPECT_EQ(back->histogramBins[1][7], 0);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteSequenceData, RawDataFromTheHostIsCopiedAndMadeSafe) {
    AbsoluteEffect effect;
    auto states = AbsoluteEffect::newSequence();
    states->states[4].selected[3] = 1;
    states->histogramBins[0][9] = 4;
    // What a damaged project may hold: a channel, node, tool and mode outside their ranges.
    states->current = 12;
    states->states[1].active = 77;
    states->states[2].toolState = 9;
    states->states[0].histogram = -3;
    states->scale = -1.0;
    effect.setSequence(*states);
    const auto back = effect.sequence();
    EXPECT_EQ(back->states[4].selected[3], 1);
    EXPECT_EQ(back->histogramBins[0][9], 4);
    EXPECT_EQ(back->current, 3);
    EXPECT_EQ(back->states[1].active, -1);
    EXPECT_EQ(back->states[2].toolState, 0);
    EXPECT_EQ(back->states[0].histogram, 0);
    EXPECT_EQ(back->scale, 1.0);
    // And it is used safely: the node controls and a render work on it.
    EXPECT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    kvhost::RenderRequest request;
    request.input = std::make_shared<kvhost::HostImage>(4, 4, 8);
    EXPECT_EQ(effect->renderSmart(request).result, PF_Err_NONE);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteSequenceData, SetdownDisposesOfTheSequenceData) {
    AbsoluteEffect effect;
    const std::size_t before = effect->memory().liveCount();
    ASSERT_EQ(effect->sequenceSetdown(), PF_Err_NONE);
    EXPECT_EQ(effect->sequenceData(), nullptr);
    EXPECT_EQ(effect->memory().liveCount(), before - 1);
    ASSERT_EQ(effect->sequenceSetup(), PF_Err_NONE);
    EXPECT_EQ(effect.sequence()->current, 3);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::testing

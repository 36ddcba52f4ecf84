#include "curves/EditorStateText.h"
#include "curves/EffectTraits.h"
#include "curves/SequenceData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace korvane {
namespace {

std::unique_ptr<EditorStateSet> freshSet() {
    return std::make_unique<EditorStateSet>();
}

template <class T>
void putAt(std::vector<char>& bytes, std::size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TEST(EditorStateDefaults, PerEffect) {
    auto relative = freshSet();
    initEditorStateSet<RelativeTraits>(*relative);
    EXPECT_EQ(relative->current, 0);
    EXPECT_EQ(relative->scale, 1.0);
    auto absolute = freshSet();
    initEditorStateSet<AbsoluteTraits>(*absolute);
    EXPECT_EQ(absolute->current, 3);
    for (int k = 0; k < kCurveCount; ++k) {
        const EditorState& r = relative->states[k];
        const EditorState& a = absolute->states[k];
        EXPECT_EQ(r.active, -1);
        EXPECT_EQ(r.viewXStart, 0.0);
        EXPECT_EQ(r.viewXEnd, 1.0);
        EXPECT_EQ(r.viewYStart, -1.0);
        EXPECT_EQ(r.viewYEnd, 1.0);
        EXPECT_EQ(a.viewYStart, 0.0);
        EXPECT_EQ(a.viewYEnd, 1.0);
        EXPECT_EQ(a.hoveredElement, -1);
        EXPECT_EQ(a.toolState, 0);
        EXPECT_EQ(a.histogram, 0);
    }
    EXPECT_EQ(absolute->histogramMode, 0);
    EXPECT_EQ(absolute->histogramPixels, 0);
    EXPECT_EQ(absolute->histogramBins[2][2559], 0);
}

TEST(EditorStateText, ExactDefaultText) {
    auto set = freshSet();
    initEditorStateSet<RelativeTraits>(*set);
    EXPECT_EQ(writeEditorState(set->states[0]), "version 0\n"
                                                "active -1\n"
                                                "view_x_start 0\n"
                                                "view_x_end 1\n"
                                                "view_y_start -1\n"
                                                "view_y_end 1\n"
                                                "tool_state 0\n"
                                                "fixed_aspect 0\n"
                                                "histogram 0\n");
}

TEST(EditorStateText, SetTextWithLengthPrefixes) {
    auto set = freshSet();
    initEditorStateSet<AbsoluteTraits>(*set);
    set->scale = 255.0;
    set->states[4].active = 12;
    set->states[4].viewXEnd = 0.00001;
    const std::string text = writeEditorStateSet<AbsoluteTraits>(*set);
    // Default Absolute state text: 10 + 10 + 15 + 13 + 15 + 13 + 13 + 15 + 12 = 116 bytes.
    const std::string state = "version 0\nactive -1\nview_x_start 0\nview_x_end 1\nview_y_start 0\n"
                              "view_y_end 1\ntool_state 0\nfixed_aspect 0\nhistogram 0\n";
    ASSERT_EQ(state.size(), 116u);
    const std::string red = "version 0\nactive 12\nview_x_start 0\nview_x_end 1e-05\nview_y_start 0\n"
                            "view_y_end 1\ntool_state 0\nfixed_aspect 0\nhistogram 0\n";
    std::string expected = "version 0\ncurrent 3\nscale 255\n";
    for (const char* name : {"brightness", "saturation", "hue", "rgb"}) {
        expected += std::string("curve_sq_") + name + " 116\n" + state;
    }
    expected += "curve_sq_red 120\n" + red;
    for (const char* name : {"green", "blue", "alpha"}) {
        expected += std::string("curve_sq_") + name + " 116\n" + state;
    }
    EXPECT_EQ(text, expected);
}

TEST(EditorStateText, RoundTripKeepsSettingsAndDropsGestures) {
    auto set = freshSet();
    initEditorStateSet<RelativeTraits>(*set);
    set->current = 5;
    set->scale = 1023.0;
    EditorState& s = set->states[5];
    s.active = 7;
    s.viewXStart = -0.25;
    s.viewXEnd = 1.5;
    s.viewYStart = -2.0;
    s.viewYEnd = 3.0;
    s.toolState = 2;
    s.fixedAspect = 1;
    s.histogram = 1;
    s.selected[7] = 1;
    s.dragX = 40;
    set->histogramMode = 2;
    set->histogramBins[0][10] = 99;

    auto back = freshSet();
    initEditorStateSet<RelativeTraits>(*back);
    readEditorStateSet<RelativeTraits>(writeEditorStateSet<RelativeTraits>(*set), *back);
    EXPECT_EQ(back->current, 5);
    EXPECT_EQ(back->scale, 1023.0);
    const EditorState& r = back->states[5];
    EXPECT_EQ(r.active, 7);
    EXPECT_EQ(r.viewXStart, -0.25);
    EXPECT_EQ(r.viewXEnd, 1.5);
    EXPECT_EQ(r.viewYStart, -2.0);
    EXPECT_EQ(r.viewYEnd, 3.0);
    EXPECT_EQ(r.toolState, 2);
    EXPECT_EQ(r.fixedAspect, 1);
    EXPECT_EQ(r.histogram, 1);
    EXPECT_EQ(r.selected[7], 0);
    EXPECT_EQ(r.dragX, 0);
    EXPECT_EQ(back->histogramMode, 0);
    EXPECT_EQ(back->histogramBins[0][10], 0);
}

TEST(EditorStateText, ReaderResetsAllButTheView) {
    EditorState state{};
    resetEditorState(state, AbsoluteTraits::kEditorDefaults);
    state.viewXEnd = 0.5;
    state.active = 3;
    state.selected[3] = 1;
    state.hoveredElement = 4;
    state.rubberBand = 1;
    readEditorState("version 0\nhistogram 2\n", state);
    EXPECT_EQ(state.viewXEnd, 0.5);
    EXPECT_EQ(state.active, -1);
    EXPECT_EQ(state.selected[3], 0);
    EXPECT_EQ(state.hoveredElement, -1);
    EXPECT_EQ(state.rubberBand, 0);
    EXPECT_EQ(state.histogram, 2);
}

TEST(EditorStateText, UnsafeValuesFallBack) {
    auto set = freshSet();
    initEditorStateSet<AbsoluteTraits>(*set);
    const std::string stateText =
        "active 40\nview_x_start nan\nview_x_end inf\nview_y_start 0.2\nview_y_end 1e300\ntool_state 9\n"
        "histogram -1\nunknown 5\n";
    const std::string text = "current 8\nscale 0\ncurve_sq_red " + std::to_string(stateText.size()) + "\n" +
                             stateText + "curve_sq_alpha 12\nactive 39\n";
    readEditorStateSet<AbsoluteTraits>(text, *set);
    EXPECT_EQ(set->current, 3);
    EXPECT_EQ(set->scale, 1.0);
    const EditorState& red = set->states[4];
    EXPECT_EQ(red.active, -1);
    EXPECT_EQ(red.viewXStart, 0.0);
    EXPECT_EQ(red.viewXEnd, 1.0);
    EXPECT_EQ(red.viewYStart, 0.2);
    EXPECT_EQ(red.viewYEnd, 1.0);
    EXPECT_EQ(red.toolState, 0);
    EXPECT_EQ(red.histogram, 0);
    EXPECT_EQ(set->states[7].active, 39);
}

TEST(SequenceData, FirstByteZeroCopiesTheRawRecord) {
    // Written at the documented byte offsets, read back through the record's fields.
    std::vector<char> raw(sizeof(EditorStateSet), 0);
    putAt<std::int32_t>(raw, 4, 6);
    putAt<double>(raw, 8, 32768.0);
    const std::size_t state2 = 16 + 3064 * 2;
    putAt<std::int32_t>(raw, state2 + 0, 17);
    putAt<double>(raw, state2 + 8, 0.125);
    putAt<double>(raw, state2 + 32, 4.0);
    putAt<std::int32_t>(raw, state2 + 40, 1);
    raw[state2 + 44] = 1;
    putAt<std::int32_t>(raw, state2 + 48, 2);
    putAt<std::int32_t>(raw, state2 + 136, 5);
    raw[state2 + 3024 + 17] = 1;
    putAt<std::int32_t>(raw, 34768 + 4 * 100, 1234);
    putAt<std::int32_t>(raw, 55248, 640 * 480);
    putAt<std::int32_t>(raw, 55252, 1);

    auto set = freshSet();
    EXPECT_EQ(restoreEditorStateSet<RelativeTraits>(*set, raw.data(), raw.size()), StoredSequenceForm::Raw);
    EXPECT_EQ(set->current, 6);
    EXPECT_EQ(set->scale, 32768.0);
    const EditorState& s = set->states[2];
    EXPECT_EQ(s.active, 17);
    EXPECT_EQ(s.viewXStart, 0.125);
    EXPECT_EQ(s.viewYEnd, 4.0);
    EXPECT_EQ(s.toolState, 1);
    EXPECT_EQ(s.fixedAspect, 1);
    EXPECT_EQ(s.histogram, 2);
    EXPECT_EQ(s.hoveredElement, 5);
    EXPECT_EQ(s.selected[17], 1);
    EXPECT_EQ(set->histogramBins[1][100], 1234);
    EXPECT_EQ(set->histogramPixels, 640 * 480);
    EXPECT_EQ(set->histogramMode, 1);
}

TEST(SequenceData, RawRecordIsMadeSafe) {
    std::vector<char> raw(sizeof(EditorStateSet), 0);
    putAt<std::int32_t>(raw, 4, 8);
    putAt<double>(raw, 8, std::numeric_limits<double>::quiet_NaN());
    putAt<std::int32_t>(raw, 16, 40);
    putAt<std::int32_t>(raw, 16 + 3064, -2);
    putAt<double>(raw, 16 + 3064 + 24, std::numeric_limits<double>::infinity());
    putAt<double>(raw, 16 + 8, 0.75); // start above end: kept
    putAt<std::int32_t>(raw, 55252, 7);
    auto set = freshSet();
    restoreEditorStateSet<RelativeTraits>(*set, raw.data(), raw.size());
    EXPECT_EQ(set->current, 0);
    EXPECT_EQ(set->scale, 1.0);
    EXPECT_EQ(set->states[0].active, -1);
    EXPECT_EQ(set->states[1].active, -1);
    EXPECT_EQ(set->states[1].viewYStart, -1.0);
    EXPECT_EQ(set->states[0].viewXStart, 0.75);
    EXPECT_EQ(set->histogramMode, 0);
}

TEST(SequenceData, ShortRawBlockKeepsTheDefaultsBeyondIt) {
    std::vector<char> raw(20, 0);
    putAt<std::int32_t>(raw, 4, 5);
    auto set = freshSet();
    restoreEditorStateSet<AbsoluteTraits>(*set, raw.data(), raw.size());
    EXPECT_EQ(set->current, 5);
    // Bytes 16..19, the first state's active node, came along as 0; the rest keeps the defaults.
    EXPECT_EQ(set->states[0].active, 0);
    EXPECT_EQ(set->states[0].viewYEnd, 1.0);
    EXPECT_EQ(set->states[1].viewYStart, 0.0);
    EXPECT_EQ(set->states[1].active, -1);
    EXPECT_EQ(set->states[7].viewXEnd, 1.0);
}

TEST(SequenceData, TextIsParsedAndHistogramsStartEmpty) {
    auto original = freshSet();
    initEditorStateSet<AbsoluteTraits>(*original);
    original->current = 6;
    original->states[6].viewYEnd = 2.0;
    std::string text = writeEditorStateSet<AbsoluteTraits>(*original);
    auto set = freshSet();
    std::memset(set.get(), 0x5a, sizeof(EditorStateSet));
    EXPECT_EQ(restoreEditorStateSet<AbsoluteTraits>(*set, text.c_str(), text.size() + 1),
              StoredSequenceForm::Text);
    EXPECT_EQ(set->current, 6);
    EXPECT_EQ(set->states[6].viewYEnd, 2.0);
    EXPECT_EQ(set->histogramMode, 0);
    EXPECT_EQ(set->histogramPixels, 0);
    EXPECT_EQ(set->histogramBins[0][0], 0);
}

TEST(SequenceData, NothingStoredGivesNewSequenceData) {
    auto set = freshSet();
    EXPECT_EQ(restoreEditorStateSet<RelativeTraits>(*set, nullptr, 0), StoredSequenceForm::None);
    EXPECT_EQ(set->current, 0);
    EXPECT_EQ(set->states[3].viewYStart, -1.0);
}

} // namespace
} // namespace korvane

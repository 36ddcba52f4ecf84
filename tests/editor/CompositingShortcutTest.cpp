// The drawing shortcuts against the plain way of drawing the same thing: byte colours blended without
// rounding, the panel background from one blend per mask byte, one coverage map shared by all curves.
#include "EditorHarness.h"
#include "absolute/AbsoluteEditorPresentation.h"
#include "curves/CurveEdit.h"
#include "curves/EffectTraits.h"
#include "editor/Compositor.h"
#include "editor/CoverageMap.h"
#include "editor/CurvePainter.h"
#include "editor/EditorBitmaps.h"
#include "editor/EditorCurves.h"
#include "editor/HistogramPainter.h"
#include "editor/PanelPainter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace korvane::test {
namespace {

using namespace korvane::bitmaps;

TEST(ByteColourTest, EveryByteBlendsTowardsItselfAsTheRoundedColourDoes) {
    for (int k = 0; k < 256; ++k) {
        const auto byte = std::uint8_t(k);
        const BlendColour exact = BlendColour::ofBytes(byte, std::uint8_t(255 - k), std::uint8_t(k / 2));
        const BlendColour rounded(EditorColour{k / 255.0, (255 - k) / 255.0, (k / 2) / 255.0});
        EXPECT_EQ(exact.r, double(k));
        EXPECT_EQ(exact.g, double(255 - k));
        EXPECT_EQ(exact.b, double(k / 2));
        EXPECT_EQ(rounded.r, exact.r) << k;
        EXPECT_EQ(rounded.g, exact.g) << k;
        EXPECT_EQ(rounded.b, exact.b) << k;
    }
}

// The mask slice of a position, as the panel's nine-slice rule places it.
int maskIndex(int position, int size, int endPart, int maskSize) {
    if (position < kPanelSliceStart) {
        return position;
    }
    if (position >= size - endPart) {
        return maskSize - (size - position);
    }
    return kPanelSliceStretch;
}

// The background the plain way: the host colour everywhere, then the panel grey blended pixel by pixel by
// its mask, then the tool column.
std::vector<std::uint8_t> plainBackground(int width, int height, const std::uint8_t background[3]) {
    std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4);
    BgraImage image(bytes.data(), width, height);
    fillImage(image, background);
    for (int y = 0; y < height; ++y) {
        const int row = maskIndex(y, height, kPanelSliceRows, kPanelMaskHeight);
        for (int x = 0; x < width; ++x) {
            const int column = maskIndex(x, width, kPanelSliceColumns, kPanelMaskWidth);
            blendPixel(image, x, y, greyByte(116), kPanelMask[row * kPanelMaskWidth + column] / 255.0);
        }
    }
    drawBitmap(image, MaskedBitmap{nullptr, kToolColumnMask, kToolColumnWidth, kToolColumnHeight}, 9, 8, 1.0,
               greyByte(97));
    return bytes;
}

TEST(BackgroundShortcutTest, EveryPixelEqualsThePixelByPixelBlend) {
    const std::uint8_t backgrounds[][3] = {{40, 40, 40}, {30, 45, 60}, {255, 0, 128}};
    for (const auto& background : backgrounds) {
        for (const auto& [width, height] : {std::pair{280, 340}, std::pair{800, 340}, std::pair{600, 200}}) {
            const EditorLayout layout(width, height);
            std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4, 7);
            BgraImage image(bytes.data(), width, height);
            paintBackground(image, layout, background);
            const std::vector<std::uint8_t> expected = plainBackground(width, height, background);
            ASSERT_EQ(bytes.size(), expected.size());
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                ASSERT_EQ(int(bytes[i]), int(expected[i])) << width << " x " << height << " byte " << i;
            }
        }
    }
}

TEST(CoverageReuseTest, ClearingTheCoveredRowsLeavesAMapLikeANewOne) {
    const PanelRect area{10, 20, 110, 90};
    CoverageMap map(area);
    coverSegment(map, 12.0, 25.0, 60.0, 88.0, 1.5);
    coverSegment(map, 60.0, 88.0, 109.0, 21.0, 1.5);
    ASSERT_GT(map.at(36, 56), 0.0f);
    map.clearCovered();
    const CoverageMap fresh(area);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            ASSERT_EQ(map.at(x, y), 0.0f) << x << " " << y;
        }
    }
    for (int x = area.left; x < area.right; ++x) {
        EXPECT_EQ(map.coveredTop(x), fresh.coveredTop(x));
        EXPECT_EQ(map.coveredBottom(x), fresh.coveredBottom(x));
    }
}

TEST(CoverageReuseTest, AllCurvesThroughOneMapEqualEachCurveThroughItsOwn) {
    AbsoluteCurveSet curveSet{};
    resetCurveSet(curveSet);
    EditorStateSet states{};
    initEditorStateSet(states, AbsoluteTraits::kEditorDefaults);
    for (int channel = 0; channel < kCurveCount; ++channel) {
        Curve& c = curveSet.curves[std::size_t(channel)];
        const int a = addNode(c, 0.2 + 0.05 * channel, false, 1.0);
        moveNode(c, a, 0.2 + 0.05 * channel, 0.9 - 0.1 * channel, 1.0);
    }
    const AbsoluteEditorPresentation presentation;
    EditorCurves curves = editorCurves(curveSet);
    const EditorView view(curves, states, editorModel<AbsoluteTraits>(), presentation, 600, 340);
    const int width = 600;
    const int height = 340;
    std::vector<std::uint8_t> shared(std::size_t(width) * height * 4, 40);
    std::vector<std::uint8_t> separate = shared;
    BgraImage sharedImage(shared.data(), width, height);
    BgraImage separateImage(separate.data(), width, height);
    paintCurves(sharedImage, view);
    const EditorPresentation& p = view.presentation();
    for (int index = kCurveCount - 1; index >= 0; --index) {
        if (index != view.currentIndex()) {
            paintCurve(separateImage, view, view.curves().curves[view.curves().shown[index]],
                       p.curveColour(index), p.otherCurveOpacity());
        }
    }
    paintCurve(separateImage, view, view.curve(), p.curveColour(view.shownIndex()), 1.0);
    ASSERT_NE(shared, std::vector<std::uint8_t>(shared.size(), 40));
    for (std::size_t i = 0; i < shared.size(); ++i) {
        ASSERT_EQ(int(shared[i]), int(separate[i])) << "byte " << i;
    }
}

// The histogram the plain way: column by column, each pixel's target colour made from the channel colours.
void plainHistogram(BgraImage& image, const EditorView& view) {
    const EditorStateSet& states = view.states();
    const int normaliser = histogramNormaliser(states.histogramPixels);
    const HistogramLayers layers = view.presentation().histogramLayers(
        view.shownIndex(), view.inputProperty(), states.histogramMode, view.state().histogram);
    const HistogramSmoothing smoothing;
    const PanelRect plot = view.layout().plot();
    for (int layer = 0; layer < layers.count; ++layer) {
        const HistogramLayer& display = layers.layers[std::size_t(layer)];
        for (int column = plot.left + 1; column < plot.right - 1; ++column) {
            const double t = histogramBinPosition(column, plot);
            double heights[3];
            for (int channel = 0; channel < 3; ++channel) {
                const double count =
                    smoothing.smoothed(states.histogramBins[std::size_t(display.arrays[channel])], t);
                heights[channel] = plot.height() * (count / normaliser);
            }
            for (int j = 0; j < plot.height(); ++j) {
                if (!(j < heights[0] || j < heights[1] || j < heights[2])) {
                    continue;
                }
                const EditorColour target{j < heights[0] ? display.colour.r : 0.0,
                                          j < heights[1] ? display.colour.g : 0.0,
                                          j < heights[2] ? display.colour.b : 0.0};
                blendPixel(image, column, plot.bottom - 1 - j, target, display.opacity);
            }
        }
    }
}

TEST(HistogramShortcutTest, RowByRowBarsEqualTheColumnByColumnBlend) {
    for (const int mode : {1, 2}) {
        for (const int channel : {0, 4, 7}) {
            AbsoluteCurveSet curveSet{};
            resetCurveSet(curveSet);
            EditorStateSet states{};
            initEditorStateSet(states, AbsoluteTraits::kEditorDefaults);
            states.current = channel;
            for (int array = 0; array < kHistogramArrays; ++array) {
                for (int bin = 0; bin < kHistogramBins; ++bin) {
                    const double u = bin / double(kHistogramBins) - 0.25 - 0.2 * array;
                    states.histogramBins[std::size_t(array)][std::size_t(bin)] =
                        int(3000.0 * std::exp(-u * u * 30.0)) + (bin * 37 % 11) * 40;
                }
            }
            states.histogramPixels = 1920 * 1080;
            states.histogramMode = mode;
            for (EditorState& s : states.states) {
                s.histogram = mode;
            }
            const AbsoluteEditorPresentation presentation;
            EditorCurves curves = editorCurves(curveSet);
            const EditorView view(curves, states, editorModel<AbsoluteTraits>(), presentation, 800, 340);
            std::vector<std::uint8_t> drawn(std::size_t(800) * 340 * 4);
            for (std::size_t i = 0; i < drawn.size(); ++i) {
                drawn[i] = std::uint8_t(i * 7 % 251);
            }
            const std::vector<std::uint8_t> original = drawn;
            std::vector<std::uint8_t> expected = drawn;
            BgraImage drawnImage(drawn.data(), 800, 340);
            BgraImage expectedImage(expected.data(), 800, 340);
            paintHistogram(drawnImage, view);
            plainHistogram(expectedImage, view);
            ASSERT_NE(drawn, original);
            for (std::size_t i = 0; i < drawn.size(); ++i) {
                ASSERT_EQ(int(drawn[i]), int(expected[i]))
                    << "mode " << mode << " channel " << channel << " byte " << i;
            }
        }
    }
}

} // namespace
} // namespace korvane::test

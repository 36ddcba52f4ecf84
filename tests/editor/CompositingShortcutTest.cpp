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

#include <algorithm>
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

TEST(ByteBlendTest, EveryByteAtEveryCoverageEqualsTheBlendedPixel) {
    const EditorColour colours[] = {{0.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {0.3, 0.7, 0.55}, {1.4, -0.2, 0.5}};
    for (const EditorColour& colour : colours) {
        for (const double coverage : {1e-9, 0.1, 1.0 / 3.0, 0.5, 0.999, 1.0, 2.5}) {
            const ByteBlend table(BlendColour(colour), coverage);
            for (int k = 0; k < 256; ++k) {
                std::uint8_t viaTable[4] = {std::uint8_t(k), std::uint8_t(255 - k), std::uint8_t(k * 3), 7};
                std::uint8_t viaPixel[4] = {viaTable[0], viaTable[1], viaTable[2], viaTable[3]};
                table.apply(viaTable);
                BgraImage one(viaPixel, 1, 1);
                blendPixel(one, 0, 0, colour, coverage);
                for (int c = 0; c < 4; ++c) {
                    ASSERT_EQ(int(viaTable[c]), int(viaPixel[c])) << "byte " << k << " coverage " << coverage;
                }
            }
        }
    }
}

// A bitmap the plain way: every one of its pixels inside the clip blended on its own, with its colour as
// components of 0..1.
void plainBitmap(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                 const PanelRect& clip, const EditorColour& colour) {
    for (int row = 0; row < bitmap.height; ++row) {
        for (int column = 0; column < bitmap.width; ++column) {
            if (!clip.contains(x + column, y + row)) {
                continue;
            }
            const std::size_t i = std::size_t(row) * std::size_t(bitmap.width) + std::size_t(column);
            const EditorColour target =
                bitmap.rgb == nullptr ? colour
                                      : EditorColour{bitmap.rgb[3 * i] / 255.0, bitmap.rgb[3 * i + 1] / 255.0,
                                                     bitmap.rgb[3 * i + 2] / 255.0};
            blendPixel(image, x + column, y + row, target, bitmap.mask[i] / 255.0 * opacity);
        }
    }
}

TEST(BitmapShortcutTest, EveryPixelEqualsThePixelByPixelBlend) {
    constexpr int kWidth = 90;
    constexpr int kHeight = 70;
    const std::size_t icon = 5 * std::size_t(kIconPixels);
    const MaskedBitmap bitmaps[] = {
        {kIconsNormal + icon * 3, kIconMasksNormal + icon, kIconSize, kIconSize},
        {kIconsHighlighted + icon * 3, kIconMasksHighlighted + icon, kIconSize, kIconSize},
        {nullptr, kToolColumnMask, kToolColumnWidth, kToolColumnHeight},
        {kLinkedStrips[1], kLinkedStrips[1] + kStripPixels * 3, kStripWidth, kStripHeight},
    };
    constexpr int kAll = 1 << 28;
    const PanelRect clips[] = {
        {-kAll, -kAll, kAll, kAll}, {20, 15, 61, 40}, {70, 0, 75, 70}, {30, 30, 30, 60}};
    const PanelPoint places[] = {{10, 8}, {-20, -13}, {60, 40}, {-300, 5}, {89, 69}, {200, 10}};
    const std::vector<double> opacities = {1.0, 0.3, 0.0, -0.5, 1.7, std::nan("")};
    for (const MaskedBitmap& bitmap : bitmaps) {
        for (const PanelRect& clip : clips) {
            for (const PanelPoint& at : places) {
                for (const double opacity : opacities) {
                    std::vector<std::uint8_t> drawn(std::size_t(kWidth) * kHeight * 4);
                    for (std::size_t i = 0; i < drawn.size(); ++i) {
                        drawn[i] = std::uint8_t(i * 11 % 253);
                    }
                    std::vector<std::uint8_t> expected = drawn;
                    BgraImage drawnImage(drawn.data(), kWidth, kHeight);
                    BgraImage expectedImage(expected.data(), kWidth, kHeight);
                    const EditorColour colour{0.2, 0.45, 0.9};
                    drawBitmapClipped(drawnImage, bitmap, at.x, at.y, opacity, clip, colour);
                    plainBitmap(expectedImage, bitmap, at.x, at.y, opacity, clip, colour);
                    for (std::size_t i = 0; i < drawn.size(); ++i) {
                        ASSERT_EQ(int(drawn[i]), int(expected[i]))
                            << "bitmap " << bitmap.width << " x " << bitmap.height << " at " << at.x << ", "
                            << at.y << " clip " << clip.left << " opacity " << opacity << " byte " << i;
                    }
                }
            }
        }
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

// The walker the plain way: every pixel of the bounding box measured against the segment.
void plainCoverSegment(CoverageMap& map, double x0, double y0, double x1, double y1, double halfWidth) {
    const double reach = halfWidth + 0.5;
    const PanelRect& area = map.area();
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            double t = lengthSquared > 0.0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSquared : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (x0 + t * dx);
            const double ey = y - (y0 + t * dy);
            const double distanceSquared = ex * ex + ey * ey;
            if (distanceSquared < reach * reach) {
                map.cover(x, y, std::clamp(halfWidth - std::sqrt(distanceSquared), 0.0, 1.0));
            }
        }
    }
}

TEST(SegmentWalkerTest, EveryPixelGetsWhatThePlainWalkGives) {
    const PanelRect area{0, 0, 60, 50};
    struct Segment {
        double x0, y0, x1, y1, halfWidth;
    };
    std::vector<Segment> segments = {
        {10, 10, 11, 10.3, 1.5},  {10, 2, 11, 48, 1.5},      {30, 25, 30, 25, 1.5}, {5.5, 40.25, 55, 3, 1.0},
        {20, -1e6, 21, 1e6, 1.5}, {0, 49.9, 59, 0.1, 2.5},   {12, 30, 12, 31, 1.5}, {40, 20, 41, 20, 0.5},
        {-30, 10, 90, 11, 1.5},   {25, 25, 25.0001, 25, 1.5}};
    // Every direction and length of a one-column step, as the curves draw them.
    for (int k = 0; k < 200; ++k) {
        const double x0 = 3.0 + (k * 7) % 50;
        const double y0 = 2.0 + (k * 13) % 45 + k * 0.003;
        segments.push_back({x0, y0, x0 + 1.0, y0 + (k % 40 - 20) * 0.37, 1.5});
        segments.push_back({x0, y0, x0 + (k % 9 - 4) * 1.3, y0 + (k % 7 - 3) * 2.1, 1.0 + (k % 3) * 0.5});
    }
    for (const Segment& s : segments) {
        CoverageMap walked(area);
        CoverageMap plain(area);
        coverSegment(walked, s.x0, s.y0, s.x1, s.y1, s.halfWidth);
        plainCoverSegment(plain, s.x0, s.y0, s.x1, s.y1, s.halfWidth);
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                ASSERT_EQ(walked.at(x, y), plain.at(x, y))
                    << x << " " << y << " segment " << s.x0 << "," << s.y0 << " " << s.x1 << "," << s.y1;
            }
        }
    }
}

} // namespace
} // namespace korvane::test

#include "editor/HistogramPainter.h"

#include "editor/Compositor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace korvane {

namespace {

constexpr double kTapWidth = 10.0;
constexpr int kLastBin = kHistogramBins - 1;

} // namespace

HistogramSmoothing::HistogramSmoothing() {
    for (int i = 0; i < kTaps; ++i) {
        const double u = (kFirstTap + i) / kTapWidth;
        weights_[i] = std::exp(-u * u / 2.0) / std::sqrt(2.0 * std::numbers::pi);
    }
}

double HistogramSmoothing::smoothed(std::span<const std::int32_t, kHistogramBins> bins, double t) const {
    const int centre = static_cast<int>(std::floor(t));
    double sum = 0.0;
    double weight = 0.0;
    for (int i = 0; i < kTaps; ++i) {
        const int bin = centre + kFirstTap + i;
        if (bin < 0 || bin > kLastBin) {
            continue;
        }
        sum += weights_[i] * bins[bin];
        weight += weights_[i];
    }
    return weight > 0.0 ? sum / weight : 0.0;
}

double histogramBinPosition(int column, const PanelRect& plot) {
    return (column + 0.5 - plot.left) / plot.width() * kLastBin;
}

int histogramNormaliser(std::int32_t pixels) {
    return static_cast<int>(std::floor(pixels * 4.0 * 0.4 / 1024.0));
}

void paintHistogram(BgraImage& image, const EditorView& view) {
    const EditorStateSet& states = view.states();
    const EditorState& state = view.state();
    if (state.histogram == 0 || states.histogramPixels < 1) {
        return;
    }
    const int normaliser = histogramNormaliser(states.histogramPixels);
    if (normaliser <= 0) {
        return; // too few pixels counted for a bar of any height
    }
    const HistogramLayers layers = view.presentation().histogramLayers(
        view.shownIndex(), view.inputProperty(), states.histogramMode, state.histogram);
    static const HistogramSmoothing smoothing;
    const PanelRect plot = view.layout().plot();
    for (int layer = 0; layer < layers.count; ++layer) {
        const HistogramLayer& display = layers.layers[layer];
        // Each channel blends towards its colour below its own bar and towards 0 above it: eight targets.
        const auto targetFor = [&display](unsigned below) {
            return BlendColour(EditorColour{(below & 1u) != 0 ? display.colour.r : 0.0,
                                            (below & 2u) != 0 ? display.colour.g : 0.0,
                                            (below & 4u) != 0 ? display.colour.b : 0.0});
        };
        const std::array<BlendColour, 8> targets{targetFor(0), targetFor(1), targetFor(2), targetFor(3),
                                                 targetFor(4), targetFor(5), targetFor(6), targetFor(7)};
        for (int column = plot.left + 1; column < plot.right - 1; ++column) {
            const double t = histogramBinPosition(column, plot);
            double heights[3];
            double tallest = 0.0;
            for (int channel = 0; channel < 3; ++channel) {
                const int array = std::clamp(display.arrays[channel], 0, kHistogramArrays - 1);
                const double count = smoothing.smoothed(states.histogramBins[array], t);
                heights[channel] = plot.height() * (count / normaliser);
                tallest = std::max(tallest, heights[channel]);
            }
            for (int j = 0; j < plot.height() && j < tallest; ++j) {
                // A channel above its own bar blends towards 0.
                const std::size_t below =
                    (j < heights[0] ? 1u : 0u) | (j < heights[1] ? 2u : 0u) | (j < heights[2] ? 4u : 0u);
                blendPixel(image, column, plot.bottom - 1 - j, targets[below], display.opacity);
            }
        }
    }
}

} // namespace korvane

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

std::array<double, 3> HistogramSmoothing::smoothedChannels(const std::array<const std::int32_t*, 3>& bins,
                                                           double t) const {
    const int firstBin = static_cast<int>(std::floor(t)) + kFirstTap;
    const int firstTap = std::clamp(-firstBin, 0, kTaps);
    const int tapLimit = std::clamp(kLastBin - firstBin + 1, 0, kTaps);
    double sum0 = 0.0;
    double sum1 = 0.0;
    double sum2 = 0.0;
    double weight = 0.0;
    for (int i = firstTap; i < tapLimit; ++i) {
        const int bin = firstBin + i;
        sum0 += weights_[i] * bins[0][bin];
        sum1 += weights_[i] * bins[1][bin];
        sum2 += weights_[i] * bins[2][bin];
        weight += weights_[i];
    }
    if (!(weight > 0.0)) {
        return {0.0, 0.0, 0.0};
    }
    return {sum0 / weight, sum1 / weight, sum2 / weight};
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
        if (!(display.opacity > 0.0)) {
            continue;
        }
        // Each channel blends towards its colour below its own bar and towards 0 above it: eight targets.
        const auto blendFor = [&display](unsigned below) {
            const BlendColour target(EditorColour{(below & 1u) != 0 ? display.colour.r : 0.0,
                                                  (below & 2u) != 0 ? display.colour.g : 0.0,
                                                  (below & 4u) != 0 ? display.colour.b : 0.0});
            return ByteBlend(target, display.opacity);
        };
        const std::array<ByteBlend, 8> blends{blendFor(0), blendFor(1), blendFor(2), blendFor(3),
                                              blendFor(4), blendFor(5), blendFor(6), blendFor(7)};
        std::array<const std::int32_t*, 3> bins{};
        for (int channel = 0; channel < 3; ++channel) {
            bins[channel] =
                states.histogramBins[std::clamp(display.arrays[channel], 0, kHistogramArrays - 1)].data();
        }
        // Row j of a bar is image row plot.bottom - 1 - j; only rows inside the image are drawn.
        const int firstRow = std::max(0, plot.bottom - image.height());
        const int rowLimit = std::min(plot.height(), plot.bottom);
        const int firstColumn = std::max(plot.left + 1, 0);
        const int columnLimit = std::min(plot.right - 1, image.width());
        for (int column = firstColumn; column < columnLimit; ++column) {
            const double t = histogramBinPosition(column, plot);
            const std::array<double, 3> counts = smoothing.smoothedChannels(bins, t);
            double heights[3];
            double tallest = 0.0;
            for (int channel = 0; channel < 3; ++channel) {
                heights[channel] = plot.height() * (counts[channel] / normaliser);
                tallest = std::max(tallest, heights[channel]);
            }
            for (int j = firstRow; j < rowLimit && j < tallest; ++j) {
                // A channel above its own bar blends towards 0.
                const std::size_t below =
                    (j < heights[0] ? 1u : 0u) | (j < heights[1] ? 2u : 0u) | (j < heights[2] ? 4u : 0u);
                blends[below].apply(image.pixel(column, plot.bottom - 1 - j));
            }
        }
    }
}

} // namespace korvane

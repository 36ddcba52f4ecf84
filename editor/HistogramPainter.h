#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

#include <array>
#include <span>

namespace korvane {

// The Gaussian that smooths the histogram over 80 bins around a column: e^(-(u/10)^2 / 2) / sqrt(2 pi)
// for u = -40..39, worked out once.
class HistogramSmoothing {
public:
    static constexpr int kFirstTap = -40;
    static constexpr int kTaps = 80;

    HistogramSmoothing();

    // The smoothed count at bin position t; taps outside the bins are left out and the weights of the
    // others renormalised.
    double smoothed(std::span<const std::int32_t, kHistogramBins> bins, double t) const;

    // smoothed for the three channels of one column at once: each channel's sum in the same order, side
    // by side, with the taps outside the bins cut off before the loop.
    std::array<double, 3> smoothedChannels(const std::array<const std::int32_t*, 3>& bins, double t) const;

private:
    std::array<double, kTaps> weights_;
};

// Bin position of a plot column: the column centre mapped linearly from the plot width onto 0..2559.
double histogramBinPosition(int column, const PanelRect& plot);

// Normaliser of the bar height: floor(pixels * 4 * 0.4 / 1024); 0 draws nothing.
int histogramNormaliser(std::int32_t pixels);

// The histograms the render left in the editor state set, under the grid and the curves.
void paintHistogram(BgraImage& image, const EditorView& view);

} // namespace korvane

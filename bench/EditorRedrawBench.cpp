// Redraw of the curve editor panel: every curve evaluated per pixel column, the histograms smoothed with
// 80 taps per column, the bitmaps composited. Also one node-drag step without the redraw.
#include "absolute/AbsoluteEditorPresentation.h"
#include "curves/CurveEdit.h"
#include "curves/EffectTraits.h"
#include "editor/EditorDrawing.h"
#include "editor/EditorInteraction.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace korvane;

struct Panel {
    AbsoluteCurveSet curves{};
    EditorStateSet states{};
    AbsoluteEditorPresentation presentation;

    Panel() {
        resetCurveSet(curves);
        initEditorStateSet(states, AbsoluteTraits::kEditorDefaults);
    }

    // An S-curve with its middle node selected, a bent curve on every other channel.
    void shape() {
        for (int channel = 0; channel < kCurveCount; ++channel) {
            Curve& c = curves.curves[channel];
            const int a = addNode(c, 0.25, false, 1.0);
            moveNode(c, a, 0.25, 0.15 + 0.01 * channel, 1.0);
            const int b = addNode(c, 0.75, false, 1.0);
            moveNode(c, b, 0.75, 0.85 - 0.01 * channel, 1.0);
            states.states[channel].selected[b] = 1;
            states.states[channel].active = b;
        }
    }

    void histograms(int mode) {
        const int pixels = 1920 * 1080;
        for (int array = 0; array < kHistogramArrays; ++array) {
            for (int bin = 0; bin < kHistogramBins; ++bin) {
                const double t = bin / double(kHistogramBins) - 0.3 - 0.2 * array;
                states.histogramBins[array][bin] = int(pixels / 700.0 * std::exp(-t * t * 40.0));
            }
        }
        states.histogramPixels = pixels;
        states.histogramMode = mode;
        for (EditorState& s : states.states) {
            s.histogram = mode;
        }
    }
};

void redraw(benchmark::State& state, Panel& panel) {
    const int width = static_cast<int>(state.range(0));
    const int height = 340;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    const std::uint8_t background[3] = {40, 40, 40};
    for (auto _ : state) {
        EditorCurves curves = editorCurves(panel.curves);
        EditorView view(curves, panel.states, editorModel<AbsoluteTraits>(), panel.presentation, width,
                        height);
        BgraImage image(pixels.data(), width, height);
        drawEditor(view, image, background);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

void BM_RedrawDefault(benchmark::State& state) {
    Panel panel;
    redraw(state, panel);
}

void BM_RedrawShapedWithHistogram(benchmark::State& state) {
    Panel panel;
    panel.shape();
    panel.histograms(static_cast<int>(state.range(1)));
    redraw(state, panel);
}

void BM_NodeDragStep(benchmark::State& state) {
    Panel panel;
    panel.shape();
    EditorCurves curves = editorCurves(panel.curves);
    EditorView view(curves, panel.states, editorModel<AbsoluteTraits>(), panel.presentation, 600, 340);
    EditorInteraction interaction(view);
    PF_DoClickEventInfo click{};
    const PanelPoint node = view.nodePixel(panel.states.states[3].active);
    interaction.click(click, node);
    int step = 0;
    for (auto _ : state) {
        PF_DoClickEventInfo drag = click;
        interaction.drag(drag, PanelPoint{node.x + 5 + step % 40, node.y - step % 30});
        ++step;
        benchmark::DoNotOptimize(panel.curves.curves[3].nodes.data());
    }
}

BENCHMARK(BM_RedrawDefault)->Arg(280)->Arg(600)->Arg(1200);
BENCHMARK(BM_RedrawShapedWithHistogram)->Args({600, 1})->Args({600, 2})->Args({800, 1})->Args({800, 2});
BENCHMARK(BM_NodeDragStep);

} // namespace

BENCHMARK_MAIN();

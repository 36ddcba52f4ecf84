#include "editor/ColourBarPainter.h"

#include "curves/KnotList.h"
#include "editor/Compositor.h"

namespace korvane {

namespace {

// 0 at the first of `count` steps, 1 at the last.
double fadeAt(int step, int count) {
    return count > 1 ? double(step) / (count - 1) : 0.0;
}

} // namespace

void paintColourBars(BgraImage& image, const EditorView& view) {
    const EditorLayout& layout = view.layout();
    const PlotMapping& mapping = view.mapping();
    const EditorPresentation& presentation = view.presentation();
    const int curveIndex = view.shownIndex();
    const int input = view.inputProperty();
    const Curve& curve = view.curve();
    const KnotList knots(curve, view.slope());

    const PanelRect bar = layout.inputBar();
    const int rows = bar.height();
    const bool split = presentation.hasOutputAxis();
    const int half = rows / 2;
    for (int column = bar.left; column < bar.right; ++column) {
        double x = mapping.unitX(column);
        if (curve.loop != 0) {
            x = wrapUnit(x);
        }
        const double value = split ? knots.evaluate(x) : 0.0;
        for (int row = 0; row < rows; ++row) {
            EditorColour colour;
            if (!split) {
                colour = presentation.inputAxisColour(curveIndex, input, x, fadeAt(row, rows));
            } else if (row < half) {
                // Upper half: where the curve takes this input, faded from the top down to the middle.
                colour = presentation.outputAxisColour(curveIndex, value, 1.0 - fadeAt(row, half));
            } else {
                colour = presentation.inputAxisColour(curveIndex, input, x, fadeAt(row - half, rows - half));
            }
            blendPixel(image, column, bar.top + row, colour, 1.0);
        }
    }

    const PanelRect output = layout.outputBar();
    for (int row = output.top; row < output.bottom; ++row) {
        const double y = mapping.unitY(row);
        for (int column = output.left; column < output.right; ++column) {
            const EditorColour colour =
                split ? presentation.outputAxisColour(curveIndex, y,
                                                      fadeAt(column - output.left, output.width()))
                      : EditorColour{0.0, 0.0, 0.0};
            blendPixel(image, column, row, colour, 1.0);
        }
    }
}

} // namespace korvane

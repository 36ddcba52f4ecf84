#include "editor/EditorDrawing.h"

#include "editor/ColourBarPainter.h"
#include "editor/CurvePainter.h"
#include "editor/GridPainter.h"
#include "editor/HistogramPainter.h"
#include "editor/NodePainter.h"
#include "editor/PanelPainter.h"

namespace korvane {

void drawEditor(EditorView& view, BgraImage& image, const std::uint8_t background[3]) {
    view.shareSettings();
    paintBackground(image, view.layout(), background);
    paintHistogram(image, view);
    paintGrid(image, view);
    paintColourBars(image, view);
    paintCurves(image, view);
    paintFrame(image, view);
    paintFixedAspect(image, view);
    paintNodes(image, view);
    paintGestureOverlay(image, view);
    paintButtons(image, view);
}

} // namespace korvane

// Draws the curve editor panel in a few situations and saves each as a PNG, to look at:
//     kv_editor_panel_png OUTPUT_FOLDER
#include "EditorHarness.h"
#include "absolute/AbsoluteEditorPresentation.h"
#include "curves/CurveEdit.h"

#include <OpenImageIO/imageio.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace korvane;
using namespace korvane::test;

namespace {

template <class Traits>
bool save(EditorHarness<Traits>& harness, const std::string& path) {
    harness.draw();
    const EffectWindow& w = harness.window();
    std::vector<unsigned char> rgb(std::size_t(w.windowWidth) * w.windowHeight * 3);
    for (int y = 0; y < w.windowHeight; ++y) {
        for (int x = 0; x < w.windowWidth; ++x) {
            const A_u_char* p = harness.windowPixel(x, y);
            unsigned char* q = &rgb[(std::size_t(y) * w.windowWidth + x) * 3];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    }
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        return false;
    }
    const OIIO::ImageSpec spec(w.windowWidth, w.windowHeight, 3, OIIO::TypeDesc::UINT8);
    return out->open(path, spec) && out->write_image(OIIO::TypeDesc::UINT8, rgb.data()) && out->close();
}

// Three bell-shaped histograms, each summing to the pixel count as the render leaves them.
void fillHistogram(EditorStateSet& states) {
    const int pixels = 640 * 480;
    const double centres[3] = {0.35, 0.55, 0.7};
    const double widths[3] = {0.12, 0.15, 0.1};
    for (int array = 0; array < kHistogramArrays; ++array) {
        double total = 0.0;
        std::vector<double> shape(kHistogramBins);
        for (int bin = 0; bin < kHistogramBins; ++bin) {
            const double t = bin / double(kHistogramBins);
            shape[bin] = std::exp(-std::pow((t - centres[array]) / widths[array], 2)) + 0.15 * t;
            total += shape[bin];
        }
        for (int bin = 0; bin < kHistogramBins; ++bin) {
            states.histogramBins[array][bin] = int(shape[bin] / total * pixels);
        }
    }
    states.histogramPixels = pixels;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    AbsoluteEditorPresentation absolute;
    bool ok = true;

    {
        EditorHarness<AbsoluteTraits> h;
        h.presentation = &absolute;
        ok = save(h, folder + "/absolute-default.png") && ok;
    }
    {
        EditorHarness<AbsoluteTraits> h;
        h.presentation = &absolute;
        Curve& c = h.shownCurve();
        const int a = addNode(c, 0.25, false, 1.0);
        moveNode(c, a, 0.25, 0.15, 1.0);
        const int b = addNode(c, 0.75, false, 1.0);
        moveNode(c, b, 0.75, 0.85, 1.0);
        h.shownState().selected[b] = 1;
        h.shownState().active = b;
        h.curves.curves[4].nodes[1].y = 0.8; // a faint red curve behind
        recomputeHandles(h.curves.curves[4], 1.0);
        h.states.scale = 255;
        ok = save(h, folder + "/absolute-s-curve.png") && ok;
    }
    {
        EditorHarness<AbsoluteTraits> h;
        h.presentation = &absolute;
        fillHistogram(h.states);
        h.states.histogramMode = 1;
        h.shownState().histogram = 1;
        ok = save(h, folder + "/absolute-histogram-1.png") && ok;
        h.states.histogramMode = 2;
        h.shownState().histogram = 2;
        ok = save(h, folder + "/absolute-histogram-2.png") && ok;
    }
    {
        EditorHarness<AbsoluteTraits> h;
        h.presentation = &absolute;
        h.states.current = 2; // hue
        ok = save(h, folder + "/absolute-hue.png") && ok;
    }
    {
        // A zoom rectangle and a rubber band in progress, nothing selected.
        EditorHarness<AbsoluteTraits> h;
        h.presentation = &absolute;
        h.click(200, 60, PF_Mod_OPT_ALT_KEY);
        h.drag(400, 200, PF_Mod_OPT_ALT_KEY);
        ok = save(h, folder + "/absolute-zoom-rectangle.png") && ok;
        h.release(400, 200, PF_Mod_OPT_ALT_KEY);
        h.click(150, 40);
        h.drag(300, 120);
        ok = save(h, folder + "/absolute-rubber-band.png") && ok;
    }
    {
        EditorHarness<RelativeTraits> h;
        Curve& c = h.shownCurve();
        const int a = addNode(c, 0.4, false, 0.0);
        moveNode(c, a, 0.4, 0.5, 0.0);
        h.shownState().selected[a] = 1;
        h.shownState().active = a;
        fillHistogram(h.states);
        h.states.histogramMode = 2;
        h.shownState().histogram = 2;
        ok = save(h, folder + "/relative-node.png") && ok;
    }
    return ok ? 0 : 1;
}

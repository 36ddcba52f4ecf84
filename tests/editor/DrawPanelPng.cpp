// Draws the curve editor panel in a few situations and saves each as a PNG, to look at:
//     kv_editor_panel_png OUTPUT_FOLDER
#include "EditorHarness.h"
#include "absolute/AbsoluteEditorPresentation.h"
#include "curves/CurveEdit.h"

#include <OpenImageIO/imageio.h>

#include <cmath>
#include <cstdio>
#include <string>

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

void fillHistogram(EditorStateSet& states) {
    for (int bin = 0; bin < kHistogramBins; ++bin) {
        const double t = bin / double(kHistogramBins);
        states.histogramBins[0][bin] = int(900 * std::exp(-std::pow((t - 0.35) / 0.12, 2)) + 300 * t);
        states.histogramBins[1][bin] = int(700 * std::exp(-std::pow((t - 0.55) / 0.15, 2)));
        states.histogramBins[2][bin] = int(600 * std::exp(-std::pow((t - 0.7) / 0.1, 2)) + 100);
    }
    states.histogramPixels = 640 * 480;
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

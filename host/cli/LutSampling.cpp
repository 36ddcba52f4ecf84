#include "host/cli/LutSampling.h"

#include "host/HostError.h"
#include "host/cli/TextOutput.h"

#include <cstddef>
#include <memory>

namespace kvhost {

namespace {

float latticeValue(int index, int size, double low, double high) {
    return float(low + (high - low) * double(index) / double(size - 1));
}

// Renders a float image whose pixels are the inputs, and gives back the outputs' red, green and blue in
// the pixels' order (rows top to bottom).
std::vector<float> renderColours(EffectInstance& instance, const HostImage& inputs) {
    RenderRequest request;
    request.input = std::make_shared<const HostImage>(inputs);
    request.depth = 32;
    const RenderResult rendered = instance.renderSmart(request);
    if (rendered.result != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": the render failed with error " +
                        errorText(rendered.result));
    }
    if (rendered.output.width() != inputs.width() || rendered.output.height() != inputs.height()) {
        throw HostError(instance.plugin().path() + ": the render produced no image of the lattice's size");
    }
    std::vector<float> rgb;
    rgb.reserve(std::size_t(inputs.width()) * std::size_t(inputs.height()) * 3);
    for (int y = 0; y < inputs.height(); ++y) {
        const auto* row = reinterpret_cast<const PF_PixelFloat*>(rendered.output.row(y));
        for (int x = 0; x < inputs.width(); ++x) {
            rgb.push_back(row[x].red);
            rgb.push_back(row[x].green);
            rgb.push_back(row[x].blue);
        }
    }
    return rgb;
}

} // namespace

LutTable sampleGrade3d(EffectInstance& instance, int size, double domainLow, double domainHigh) {
    // One row per blue step, red fastest along the row: the pixels come out in the table's order.
    HostImage inputs(size * size, size, 32);
    for (int b = 0; b < size; ++b) {
        auto* row = reinterpret_cast<PF_PixelFloat*>(inputs.row(b));
        for (int g = 0; g < size; ++g) {
            for (int r = 0; r < size; ++r) {
                row[g * size + r] = PF_PixelFloat{1.0f, latticeValue(r, size, domainLow, domainHigh),
                                                  latticeValue(g, size, domainLow, domainHigh),
                                                  latticeValue(b, size, domainLow, domainHigh)};
            }
        }
    }
    LutTable table;
    table.dimensions = 3;
    table.size = size;
    table.domainLow = domainLow;
    table.domainHigh = domainHigh;
    table.rgb = renderColours(instance, inputs);
    return table;
}

LutTable sampleGrade1d(EffectInstance& instance, int size, double domainLow, double domainHigh) {
    HostImage inputs(size, 1, 32);
    auto* row = reinterpret_cast<PF_PixelFloat*>(inputs.row(0));
    for (int i = 0; i < size; ++i) {
        const float v = latticeValue(i, size, domainLow, domainHigh);
        row[i] = PF_PixelFloat{1.0f, v, v, v};
    }
    LutTable table;
    table.dimensions = 1;
    table.size = size;
    table.domainLow = domainLow;
    table.domainHigh = domainHigh;
    table.rgb = renderColours(instance, inputs);
    return table;
}

} // namespace kvhost

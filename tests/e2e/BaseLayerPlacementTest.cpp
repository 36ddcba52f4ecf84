// The base layer placed under the input whatever the two sizes: the Relative effect adds the base layer's
// red to the input's green, and every output pixel is worked out here from the placement rule (the base
// layer centred on the input, its origin the half size difference truncated toward zero), in the smart
// and the legacy render, at every depth, with and without pre blur.
#include "tests/e2e/RelativeEffect.h"
#include "tests/support/TentReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace korvane::relativetest {
namespace {

using kvhost::HostImage;
using kvhost::RenderResult;

struct Placement {
    const char* name;
    int inputWidth;
    int inputHeight;
    int baseWidth;
    int baseHeight;
};

constexpr Placement kPlacements[] = {
    {"larger both ways", 24, 16, 31, 21},              // origin (-3, -2)
    {"wider and shorter", 24, 16, 33, 9},              // (-4, 3)
    {"narrower and taller", 24, 16, 15, 23},           // (4, -3)
    {"smaller both ways", 24, 16, 11, 7},              // (6, 4)
    {"the same size", 24, 16, 24, 16},                 // (0, 0)
    {"100 x 100 under 200 x 100", 200, 100, 100, 100}, // (50, 0)
};

constexpr double kPreBlurRadius = 1.0; // the tent reaches one pixel each way
constexpr int kBlock = 4;
// The curve y = x evaluates within 2e-5 (a single-precision cube root): at 16 bits one step either way.
constexpr double kCurveTolerance = 5e-5;

int centredOrigin(int inputSize, int baseSize) {
    return int(std::trunc((inputSize - baseSize) * 0.5));
}

double maxOf(int depth) {
    return depth == 32 ? 1.0 : HostImage::maxValue(depth);
}

// Red differs from pixel to pixel; with pre blur it is uniform over blocks, so that the blur leaves the
// inside of every block exactly as it was.
std::shared_ptr<HostImage> baseLayer(int width, int height, int depth, bool blocks) {
    auto image = std::make_shared<HostImage>(width, height, depth);
    const double max = maxOf(depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int step = blocks ? ((x / kBlock) * 3 + (y / kBlock) * 5) % 7 + 1 : (x * 7 + y * 13) % 64;
            image->setChannel(x, y, 0, max);
            image->setChannel(x, y, 1, double(step) / (blocks ? 8.0 : 63.0) * 0.6 * max);
            image->setChannel(x, y, 2, 0.3 * max);
            image->setChannel(x, y, 3, 0.9 * max);
        }
    }
    return image;
}

std::shared_ptr<HostImage> inputImage(int width, int height, int depth) {
    auto image = std::make_shared<HostImage>(width, height, depth);
    const double max = maxOf(depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image->setChannel(x, y, 0, max);
            image->setChannel(x, y, 1, 0.2 * max);
            image->setChannel(x, y, 2, double((x * 5 + y * 3) % 16) / 15.0 * 0.3 * max);
            image->setChannel(x, y, 3, 0.5 * max);
        }
    }
    return image;
}

// The source red under input pixel (x, y): the base layer's red at (x - origin x, y - origin y), 0 beyond
// the base layer. With pre blur only where every pixel the blur reaches (mirrored at the input's edges)
// holds the same red; nothing where they differ.
std::optional<double> sourceRed(const HostImage& base, const HostImage& input, int originX, int originY,
                                int x, int y, bool preBlur) {
    auto placed = [&](std::int64_t px, std::int64_t py) {
        const std::int64_t bx = px - originX;
        const std::int64_t by = py - originY;
        const bool inside = bx >= 0 && bx < base.width() && by >= 0 && by < base.height();
        return inside ? base.channel(int(bx), int(by), 1) : 0.0;
    };
    if (!preBlur) {
        return placed(x, y);
    }
    const double centre = placed(x, y);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (placed(testing::referenceFold(x + dx, input.width()),
                       testing::referenceFold(y + dy, input.height())) != centre) {
                return std::nullopt;
            }
        }
    }
    return centre;
}

// Renders one placement and compares the green of every pixel whose source red is known; returns how
// many pixels were compared.
int checkRender(RelativeEffect& effect, const Placement& placement, bool legacy, int depth, bool preBlur) {
    const int originX = centredOrigin(placement.inputWidth, placement.baseWidth);
    const int originY = centredOrigin(placement.inputHeight, placement.baseHeight);
    effect->setNumber(kPreBlurParam, preBlur ? kPreBlurRadius : 0.0);
    kvhost::RenderRequest request;
    const auto input = inputImage(placement.inputWidth, placement.inputHeight, depth);
    const auto base = baseLayer(placement.baseWidth, placement.baseHeight, depth, preBlur);
    request.input = input;
    request.layers[kBaseLayerParam] = base;
    const RenderResult result = legacy ? effect->renderLegacy(request) : effect->renderSmart(request);
    EXPECT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(effect->problems(), "");
    if (result.output.width() != input->width() || result.output.height() != input->height()) {
        ADD_FAILURE() << "output of " << result.output.width() << " x " << result.output.height();
        return 0;
    }
    const double tolerance = kCurveTolerance * maxOf(depth);
    int checked = 0;
    int wrong = 0;
    std::string firstWrong;
    for (int y = 0; y < input->height(); ++y) {
        for (int x = 0; x < input->width(); ++x) {
            const auto source = sourceRed(*base, *input, originX, originY, x, y, preBlur);
            if (!source) {
                continue;
            }
            ++checked;
            const double expected = input->channel(x, y, 2) + *source;
            const double got = result.output.channel(x, y, 2);
            if (std::fabs(got - expected) > tolerance ||
                result.output.channel(x, y, 1) != input->channel(x, y, 1)) {
                if (wrong++ == 0) {
                    firstWrong = "(" + std::to_string(x) + ", " + std::to_string(y) + "): green " +
                                 std::to_string(got) + ", expected " + std::to_string(expected);
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << checked << ", the first at " << firstWrong;
    return checked;
}

TEST(BaseLayerPlacement, EveryPixelReadsTheBaseLayerWhereItLiesUnderTheInput) {
    // Green plus the source's red: the curve y = x, added.
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.curves[4] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[4] = 3;
    set.changeBy[4] = 1;
    effect.setCurves(set);
    for (const Placement& placement : kPlacements) {
        for (const bool legacy : {false, true}) {
            // The legacy render has no float path.
            for (const int depth : legacy ? std::vector<int>{8, 16} : std::vector<int>{8, 16, 32}) {
                for (const bool preBlur : {false, true}) {
                    SCOPED_TRACE(std::string(placement.name) + (legacy ? ", legacy" : ", smart") +
                                 ", depth " + std::to_string(depth) + (preBlur ? ", pre blur" : ""));
                    const int checked = checkRender(effect, placement, legacy, depth, preBlur);
                    // Pre blur leaves at least the inside of the blocks to compare.
                    EXPECT_GE(checked, placement.inputWidth * placement.inputHeight / 8);
                }
            }
        }
    }
}

} // namespace
} // namespace korvane::relativetest

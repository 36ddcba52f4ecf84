#pragma once
// The real tarnwick.so driven through libkvhost, with pictures and curves for its tests.
#include "curves/CurveSet.h"
#include "curves/EffectTraits.h"
#include "host/HostImage.h"
#include "tests/e2e/PluginEffect.h"
#include "tests/support/CurveThrough.h"

#include <initializer_list>
#include <memory>
#include <utility>

namespace korvane::relativetest {

// Host indices of the effect's parameters.
enum RelativeParam : int {
    kChangeParam = 1,
    kBasedOnParam = 2,
    kChangeByParam = 3,
    kFactorParam = 4,
    kCurveParam = 5,
    kScaleParam = 6,
    kNodeXParam = 7,
    kNodeYParam = 8,
    kSelectXParam = 9,
    kPreBlurParam = 10,
    kBaseLayerParam = 11,
    kShowParam = 12,
};

// Channel values in the depth's units.
struct Colour {
    double red;
    double green;
    double blue;
    double alpha;
};

using testing::flatText;

// A Relative curve through the points with Linear sides: the polyline through them.
inline Curve polylineCurve(std::initializer_list<std::pair<double, double>> points) {
    return testing::curveThroughPoints(points, 0.0, HandleMode::Linear);
}

inline RelativeCurveSet defaultCurves() {
    RelativeCurveSet set{};
    resetCurveSet(set);
    return set;
}

inline std::shared_ptr<kvhost::HostImage> imageOf(int width, int height, int depth, const Colour& colour) {
    auto image = std::make_shared<kvhost::HostImage>(width, height, depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image->setChannel(x, y, 0, colour.alpha);
            image->setChannel(x, y, 1, colour.red);
            image->setChannel(x, y, 2, colour.green);
            image->setChannel(x, y, 3, colour.blue);
        }
    }
    return image;
}

// Every channel of every pixel different, alpha included.
inline std::shared_ptr<kvhost::HostImage> pattern(int width, int height, int depth) {
    auto image = std::make_shared<kvhost::HostImage>(width, height, depth);
    const double max = depth == 32 ? 1.0 : kvhost::HostImage::maxValue(depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                image->setChannel(x, y, c, double((x * 7 + y * 13 + c * 5) % 64) / 63.0 * max);
            }
        }
    }
    return image;
}

inline Colour pixelAt(const kvhost::HostImage& image, int x, int y = 0) {
    return {image.channel(x, y, 1), image.channel(x, y, 2), image.channel(x, y, 3), image.channel(x, y, 0)};
}

class RelativeEffect : public testing::PluginEffect<RelativeTraits> {
public:
    RelativeEffect() : PluginEffect(KV_TARNWICK, kCurveParam) {}

    kvhost::RenderResult render(std::shared_ptr<const kvhost::HostImage> input,
                                std::shared_ptr<const kvhost::HostImage> base = nullptr) {
        kvhost::RenderRequest request;
        request.input = std::move(input);
        if (base) {
            request.layers[kBaseLayerParam] = std::move(base);
        }
        return instance().renderSmart(request);
    }
};

} // namespace korvane::relativetest

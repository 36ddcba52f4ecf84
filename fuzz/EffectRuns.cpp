#include "fuzz/EffectRuns.h"

#include "fuzz/FuzzCheck.h"

#include <cmath>

namespace korvane::fuzz {

const kvhost::PluginFile& pluginOf(Effect effect) {
    // Loaded once and never unloaded, as a host keeps its plug-ins: unloading them in the static
    // destructors left the plug-ins' thread-local blocks behind for the leak checker's exit scan, which
    // then now and then crashed reading them (Clang 14's LeakSanitizer, in ScanRangeForPointers).
    static const auto* const absolute = new kvhost::PluginFile(KV_MORROWBY);
    static const auto* const relative = new kvhost::PluginFile(KV_TARNWICK);
    return effect == Effect::Absolute ? *absolute : *relative;
}

Effect effectOfMatchName(const std::string& matchName) {
    return matchName == pluginOf(Effect::Relative).record().matchName ? Effect::Relative : Effect::Absolute;
}

std::unique_ptr<kvhost::EffectInstance> newInstance(Effect effect) {
    auto instance = std::make_unique<kvhost::EffectInstance>(pluginOf(effect));
    instance->setup();
    // One worker beside the host's thread: the bands still split, and the runs stay short.
    instance->setProcessorCount(2);
    return instance;
}

int depthOf(std::uint8_t selector) {
    // A 16-bit render builds tables of 32769 entries per curve, which costs a hundred times the rest of a
    // run; the same table code runs at 8 bits with 256 entries, so one input in sixty-four is enough at 16.
    if (selector % 64 == 0) {
        return 16;
    }
    return selector % 2 == 1 ? 8 : 32;
}

std::shared_ptr<const kvhost::HostImage> smallPicture(int depth) {
    static std::shared_ptr<const kvhost::HostImage> pictures[3];
    std::shared_ptr<const kvhost::HostImage>& picture = pictures[depth == 8 ? 0 : depth == 16 ? 1 : 2];
    if (!picture) {
        constexpr int kWidth = 16;
        constexpr int kHeight = 8;
        auto image = std::make_shared<kvhost::HostImage>(kWidth, kHeight, depth);
        const double max = depth == 32 ? 1.0 : kvhost::HostImage::maxValue(depth);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                for (int c = 0; c < 4; ++c) {
                    double v = double((x * 7 + y * 13 + c * 5) % 32) / 31.0;
                    if (depth == 32 && (x + y + c) % 11 == 0) {
                        v = v * 3.0 - 1.0; // beyond the unit range, as float layers may be
                    }
                    image->setChannel(x, y, c, v * max);
                }
            }
        }
        picture = std::move(image);
    }
    return picture;
}

void requireClean(const kvhost::EffectInstance& instance) {
    const std::string problems = instance.problems();
    if (!problems.empty()) {
        invariantBroken("the host found: " + problems);
    }
}

void requireGoodRender(kvhost::EffectInstance& instance, int depth) {
    kvhost::RenderRequest request;
    request.input = smallPicture(depth);
    const kvhost::RenderResult result = instance.renderSmart(request);
    if (result.result != PF_Err_NONE) {
        invariantBroken("render at depth " + std::to_string(depth) + " returned " +
                        std::to_string(result.result));
    }
    const kvhost::HostImage& output = result.output;
    require(output.width() == request.input->width() && output.height() == request.input->height(),
            "the output has the input's size");
    require(output.paddingIntact(), "nothing written outside the output's pixels");
    const double max = depth == 32 ? 0.0 : kvhost::HostImage::maxValue(depth);
    for (int y = 0; y < output.height(); ++y) {
        for (int x = 0; x < output.width(); ++x) {
            for (int c = 0; c < 4; ++c) {
                const double v = output.channel(x, y, c);
                if (depth == 32) {
                    require(std::isfinite(v), "float output pixels are finite");
                } else {
                    require(v >= 0.0 && v <= max, "integer output pixels lie within 0..maximum");
                }
            }
        }
    }
    requireClean(instance);
}

int curveParameter(const kvhost::EffectInstance& instance) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        if (instance.parameter(i).name() == "curve") {
            return i;
        }
    }
    invariantBroken("the effect has no \"curve\" parameter");
}

std::vector<std::uint8_t> flatText(const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

} // namespace korvane::fuzz

// Failure injection through libkvhost on both plug-in files. Each operation (a render, a sequence command,
// an arbitrary-data callback, an editor event) first runs cleanly to count its host allocations and
// progress calls; then it runs once per allocation with that allocation failing, and once per progress
// call with a user abort there. Every such run must return the code its failure path gives, leave no
// handle allocated or locked and no parameter checked out, and leave the effect as before the operation
// or as after a clean run; the operation run again cleanly must then give the clean run's result and
// image.
#include "curves/CurveText.h"
#include "curves/EditorState.h"
#include "curves/EditorStateText.h"
#include "curves/EffectTraits.h"
#include "curves/SequenceData.h"
#include "host/EffectInstance.h"
#include "host/HostError.h"
#include "host/PluginFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace korvane::failuretest {
namespace {

using kvhost::EffectInstance;

enum class Effect { Absolute, Relative };

const char* nameOf(Effect effect) {
    return effect == Effect::Absolute ? "Absolute" : "Relative";
}

const kvhost::PluginFile& pluginOf(Effect effect) {
    static const kvhost::PluginFile absolute(KV_MORROWBY);
    static const kvhost::PluginFile relative(KV_TARNWICK);
    return effect == Effect::Absolute ? absolute : relative;
}

// Host indices.
constexpr int kAbsoluteCurve = 2;
constexpr int kRelativeCurve = 5;
constexpr int kRelativePreBlur = 10;

int curveParam(Effect effect) {
    return effect == Effect::Absolute ? kAbsoluteCurve : kRelativeCurve;
}

std::vector<std::uint8_t> flatText(const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

std::string curveText(const std::vector<std::pair<double, double>>& points, int loop = 0) {
    std::string text = "version 0\nloop " + std::to_string(loop) + "\n";
    for (const auto& [x, y] : points) {
        text += "point " + std::to_string(x) + " " + std::to_string(y) + " 0.1 0 0.1 0 1 1 1\n";
    }
    return text;
}

std::string curveSetText(const std::vector<std::pair<std::string, std::string>>& curves,
                         const std::string& values = "") {
    std::string text = "version 0\n" + values;
    for (const auto& [name, curve] : curves) {
        text += "curve_" + name + " " + std::to_string(curve.size()) + "\n" + curve;
    }
    return text;
}

// Curves that make every render step work: tables at the integer depths, hue turns, and in the
// Relative effect a property based on hue and a post blur.
std::string gradingCurves(Effect effect) {
    if (effect == Effect::Absolute) {
        return curveSetText({{"rgb", curveText({{0, 0.1}, {0.4, 0.6}, {1, 0.9}})},
                             {"hue", curveText({{0.3, 0.4}}, 1)},
                             {"red", curveText({{0, 0.2}, {1, 1}})}});
    }
    return curveSetText({{"saturation", curveText({{0.1, 0.3}, {0.6, -0.2}}, 1)},
                         {"red", curveText({{0, 0.1}, {1, -0.1}})},
                         {"postblur", curveText({{0, 0}, {1, 1}})}},
                        "curve_values_saturation 2 0 1\ncurve_values_postblur 0 0 2\n");
}

// Curves two keyframes apart, for the copy and interpolate callbacks.
std::string otherCurves(Effect effect) {
    return curveSetText({{effect == Effect::Absolute ? "rgb" : "red", curveText({{0, 0.5}, {1, 0.5}})}});
}

std::shared_ptr<const kvhost::HostImage> picture(int depth) {
    auto image = std::make_shared<kvhost::HostImage>(16, 8, depth);
    const double max = depth == 32 ? 1.0 : kvhost::HostImage::maxValue(depth);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            for (int c = 0; c < 4; ++c) {
                image->setChannel(x, y, c, double((x * 7 + y * 13 + c * 5) % 32) / 31.0 * max);
            }
        }
    }
    return image;
}

// The editor of the shown curve shows a histogram, so that renders count one.
std::vector<std::uint8_t> sequenceWithHistogram(Effect effect) {
    auto set = std::make_unique<EditorStateSet>();
    if (effect == Effect::Absolute) {
        initEditorStateSet<AbsoluteTraits>(*set);
    } else {
        initEditorStateSet<RelativeTraits>(*set);
    }
    set->states[std::size_t(set->current)].histogram = 1;
    std::vector<std::uint8_t> raw(sizeof(EditorStateSet));
    std::memcpy(raw.data(), set.get(), sizeof(EditorStateSet));
    return raw;
}

std::vector<std::uint8_t> settingsText(Effect effect) {
    auto set = std::make_unique<EditorStateSet>();
    std::string text;
    if (effect == Effect::Absolute) {
        initEditorStateSet<AbsoluteTraits>(*set);
        set->current = 4;
        set->states[4].histogram = 2;
        set->states[4].viewXEnd = 0.5;
        text = writeEditorStateSet<AbsoluteTraits>(*set);
    } else {
        initEditorStateSet<RelativeTraits>(*set);
        set->current = 1;
        set->states[1].histogram = 1;
        set->states[1].viewYStart = -0.5;
        text = writeEditorStateSet<RelativeTraits>(*set);
    }
    return flatText(text);
}

// An instance set up as a new effect, with grading curves, a histogram shown, a pre blur in the Relative
// effect, and one thread so that allocations and progress calls come in a fixed order.
std::unique_ptr<EffectInstance> gradingInstance(Effect effect) {
    auto instance = std::make_unique<EffectInstance>(pluginOf(effect));
    instance->setup();
    instance->setProcessorCount(1);
    instance->setArbitraryFlat(curveParam(effect), flatText(gradingCurves(effect)));
    EXPECT_EQ(instance->resetupSequence(sequenceWithHistogram(effect)), PF_Err_NONE);
    if (effect == Effect::Relative) {
        instance->setNumber(kRelativePreBlur, 1.5);
    }
    return instance;
}

kvhost::RenderResult renderSmart(EffectInstance& instance, int depth) {
    kvhost::RenderRequest request;
    request.input = picture(depth);
    return instance.renderSmart(request);
}

// An arbitrary-data step through the host: its callback's code, also when the host refuses the result.
PF_Err arbitraryStep(EffectInstance& instance, const std::function<void()>& step) {
    try {
        step();
    } catch (const kvhost::HostError&) {
        EXPECT_EQ(instance.lastReport().command, "PF_Cmd_ARBITRARY_CALLBACK");
        return instance.lastReport().result != PF_Err_NONE ? instance.lastReport().result : -1;
    }
    return PF_Err_NONE;
}

kvhost::EventRequest event(PF_EventType type, int x, int y, bool last = false) {
    kvhost::EventRequest request;
    request.type = type;
    request.point = PF_Point{x, y};
    request.lastDrag = last;
    return request;
}

constexpr int kPanelWidth = 600;
constexpr int kPanelHeight = 340;
// The plot runs from x 70 to 581 and y 10 to 268; the view is x 0..1 and y 0..1 (Absolute) or -1..1.
constexpr int kPlotLeft = 70;
constexpr int kPlotRight = kPanelWidth - 19;
constexpr int kPlotTop = 10;
constexpr int kPlotBottom = kPanelHeight - 72;

int plotX(double x) {
    return int(kPlotLeft + x * (kPlotRight - kPlotLeft) + 0.5);
}

int plotY(Effect effect, double y) {
    const double low = effect == Effect::Absolute ? 0.0 : -1.0;
    return int(kPlotBottom - (y - low) / (1.0 - low) * (kPlotBottom - kPlotTop) + 0.5);
}

// One operation: how its instance is made ready, and the operation itself with its result code.
struct Operation {
    std::string name;
    Effect effect;
    std::function<std::unique_ptr<EffectInstance>()> prepare;
    std::function<PF_Err(EffectInstance&)> run;
    // Codes a failing run may give besides the failure's own (4 or 517), each with its reason below.
    std::set<PF_Err> absorbed;
};

// What a run leaves: the curve value, and what a clean render at each depth gives.
struct Outcome {
    std::vector<std::uint8_t> curves;
    std::vector<std::vector<std::uint8_t>> images;
};

// The curve value as flat text; empty while the host holds no value yet (before arbitrary-data new).
std::vector<std::uint8_t> curvesOf(EffectInstance& instance, Effect effect) {
    try {
        return instance.arbitraryFlatAt(curveParam(effect), instance.currentSeconds());
    } catch (const kvhost::HostError&) {
        return {};
    }
}

Outcome outcomeOf(EffectInstance& instance, Effect effect) {
    Outcome outcome;
    outcome.curves = curvesOf(instance, effect);
    if (outcome.curves.empty()) {
        return outcome; // nothing to render with
    }
    for (const int depth : {8, 16, 32}) {
        const kvhost::RenderResult result = renderSmart(instance, depth);
        EXPECT_EQ(result.result, PF_Err_NONE) << depth;
        outcome.images.push_back(result.output.pixelBytesPacked());
    }
    return outcome;
}

struct CleanRun {
    std::uint64_t allocations = 0;
    std::int64_t progressCalls = 0;
    Outcome before;
    Outcome after;
};

CleanRun cleanRun(const Operation& op) {
    CleanRun clean;
    auto before = op.prepare();
    clean.before = outcomeOf(*before, op.effect);
    auto instance = op.prepare();
    const std::uint64_t allocations = instance->memory().allocationCount();
    const std::int64_t calls = instance->progressCalls();
    EXPECT_EQ(op.run(*instance), PF_Err_NONE) << op.name;
    clean.allocations = instance->memory().allocationCount() - allocations;
    clean.progressCalls = instance->progressCalls() - calls;
    EXPECT_EQ(instance->problems(), "") << op.name;
    clean.after = outcomeOf(*instance, op.effect);
    return clean;
}

// After a failed run: nothing left over, and the effect as before the operation or as after a clean run.
// From before, the operation run again cleanly gives the clean run's outcome; from after, the renders
// give the clean run's images.
void checkRecovery(EffectInstance& instance, const Operation& op, const CleanRun& clean, const std::string& at) {
    EXPECT_EQ(instance.problems(), "") << at;
    const std::vector<std::uint8_t> curves = curvesOf(instance, op.effect);
    if (curves == clean.before.curves) {
        EXPECT_EQ(op.run(instance), PF_Err_NONE) << at << ": run again";
    } else {
        EXPECT_EQ(curves, clean.after.curves) << at << ": neither as before nor as after";
    }
    const Outcome now = outcomeOf(instance, op.effect);
    EXPECT_EQ(now.curves, clean.after.curves) << at;
    EXPECT_EQ(now.images, clean.after.images) << at;
    EXPECT_EQ(instance.problems(), "") << at;
}

void sweepAllocations(const Operation& op, const CleanRun& clean) {
    for (std::uint64_t nth = 1; nth <= clean.allocations; ++nth) {
        const std::string at = op.name + ", allocation " + std::to_string(nth) + " of " +
                               std::to_string(clean.allocations) + " failing";
        auto instance = op.prepare();
        instance->memory().failAllocation(nth);
        const PF_Err result = op.run(*instance);
        instance->memory().clearFailures();
        EXPECT_TRUE(result == PF_Err_OUT_OF_MEMORY || op.absorbed.count(result) != 0)
            << at << ": returned " << result;
        checkRecovery(*instance, op, clean, at);
        if (::testing::Test::HasFailure()) {
            return; // one failing point tells enough
        }
    }
}

void sweepAborts(const Operation& op, const CleanRun& clean) {
    for (std::int64_t k = 0; k < clean.progressCalls; ++k) {
        const std::string at = op.name + ", abort at progress call " + std::to_string(k + 1) + " of " +
                               std::to_string(clean.progressCalls);
        auto instance = op.prepare();
        instance->abortAfterProgressCalls(instance->progressCalls() + k);
        const PF_Err result = op.run(*instance);
        instance->abortAfterProgressCalls(-1);
        EXPECT_EQ(result, PF_Interrupt_CANCEL) << at;
        checkRecovery(*instance, op, clean, at);
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

struct Counts {
    std::uint64_t allocations;
    std::int64_t progressCalls;
};

Counts sweep(const Operation& op) {
    const CleanRun clean = cleanRun(op);
    if (::testing::Test::HasFailure()) {
        return {0, 0};
    }
    sweepAllocations(op, clean);
    sweepAborts(op, clean);
    return {clean.allocations, clean.progressCalls};
}

// ---- renders -------------------------------------------------------------------------------------

class RenderFailures : public ::testing::TestWithParam<std::tuple<Effect, bool, int>> {};

TEST_P(RenderFailures, EveryAllocationAndEveryProgressCall) {
    const auto [effect, legacy, depth] = GetParam();
    Operation op;
    op.name = std::string(nameOf(effect)) + (legacy ? " legacy" : " smart") + " render at " + std::to_string(depth);
    op.effect = effect;
    op.prepare = [effect = effect] { return gradingInstance(effect); };
    op.run = [legacy = legacy, depth = depth](EffectInstance& instance) {
        kvhost::RenderRequest request;
        request.input = picture(depth);
        return (legacy ? instance.renderLegacy(request) : instance.renderSmart(request)).result;
    };
    const Counts counts = sweep(op);
    // Tables, band counts, histograms (and the Relative blurs) come from the host; the passes report progress.
    // The Absolute float render evaluates the curves per pixel and needs no host memory.
    if (effect == Effect::Absolute && depth == 32) {
        EXPECT_EQ(counts.allocations, 0u) << op.name;
    } else {
        EXPECT_GE(counts.allocations, 1u) << op.name;
    }
    EXPECT_GE(counts.progressCalls, 2) << op.name;
}

std::string renderName(const ::testing::TestParamInfo<std::tuple<Effect, bool, int>>& info) {
    return std::string(nameOf(std::get<0>(info.param))) + (std::get<1>(info.param) ? "Legacy" : "Smart") +
           std::to_string(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Smart, RenderFailures,
                         ::testing::Combine(::testing::Values(Effect::Absolute, Effect::Relative),
                                            ::testing::Values(false), ::testing::Values(8, 16, 32)),
                         renderName);
// The host has no float path for the legacy render.
INSTANTIATE_TEST_SUITE_P(Legacy, RenderFailures,
                         ::testing::Combine(::testing::Values(Effect::Absolute, Effect::Relative),
                                            ::testing::Values(true), ::testing::Values(8, 16)),
                         renderName);

// ---- sequence commands, arbitrary data, editor events --------------------------------------------

class CommandFailures : public ::testing::TestWithParam<Effect> {};

TEST_P(CommandFailures, SequenceSetupResetupAndFlatten) {
    const Effect effect = GetParam();
    const auto prepare = [effect] { return gradingInstance(effect); };
    Operation setup{"sequence setup", effect, prepare,
                    [](EffectInstance& instance) { return instance.sequenceSetup(); }, {}};
    Operation fromText{"sequence resetup from text", effect, prepare,
                       [effect](EffectInstance& instance) { return instance.resetupSequence(settingsText(effect)); },
                       {}};
    Operation fromRaw{"sequence resetup from a raw record", effect, prepare,
                      [effect](EffectInstance& instance) {
                          return instance.resetupSequence(sequenceWithHistogram(effect));
                      },
                      {}};
    Operation flatten{"sequence flatten", effect, prepare,
                      [](EffectInstance& instance) {
                          PF_Err result = PF_Err_NONE;
                          instance.flattenSequence(&result);
                          return result;
                      },
                      {}};
    for (const Operation& op : {setup, fromText, fromRaw, flatten}) {
        const Counts counts = sweep(op);
        EXPECT_EQ(counts.allocations, 1u) << op.name << ": one handle for the new sequence data";
        EXPECT_EQ(counts.progressCalls, 0) << op.name;
    }
}

// A flatten whose handle cannot be locked (the raw record, or the new handle for the text) reports the
// handle damaged, as setup and resetup do, in both effects alike; it keeps the raw record, leaves nothing
// locked or leaked, and a flatten after it gives the text a clean one gives.
TEST_P(CommandFailures, FlattenWithAHandleThatCannotBeLocked) {
    const Effect effect = GetParam();
    auto clean = gradingInstance(effect);
    PF_Err cleanResult = -1;
    const std::vector<std::uint8_t> text = clean->flattenSequence(&cleanResult);
    ASSERT_EQ(cleanResult, PF_Err_NONE);
    ASSERT_FALSE(text.empty());
    ASSERT_NE(text.front(), 0) << "the flat form is text";
    for (const std::uint64_t nth : {1u, 2u}) {
        const std::string at = std::string(nameOf(effect)) + ", lock " + std::to_string(nth) + " failing";
        auto instance = gradingInstance(effect);
        const std::uint64_t allocations = instance->memory().allocationCount();
        instance->memory().failLock(nth);
        PF_Err result = -1;
        EXPECT_TRUE(instance->flattenSequence(&result).empty()) << at;
        instance->memory().clearFailures();
        EXPECT_EQ(result, PF_Err_INTERNAL_STRUCT_DAMAGED) << at;
        // The raw record is the first lock; the text's handle, allocated only after it, the second.
        EXPECT_EQ(instance->memory().allocationCount() - allocations, nth - 1) << at;
        EXPECT_EQ(instance->problems(), "") << at;
        EXPECT_EQ(instance->flattenSequence(&result), text) << at;
        EXPECT_EQ(result, PF_Err_NONE) << at;
        EXPECT_EQ(instance->problems(), "") << at;
    }
}

TEST_P(CommandFailures, ArbitraryDataCallbacks) {
    const Effect effect = GetParam();
    const int curve = curveParam(effect);
    // Keyframes at 0 and 1 s: before the first the host copies it, between them it interpolates.
    const auto keyframed = [effect, curve] {
        auto instance = gradingInstance(effect);
        instance->setArbitraryKeyframe(curve, 0.0, flatText(gradingCurves(effect)));
        instance->setArbitraryKeyframe(curve, 1.0, flatText(otherCurves(effect)));
        instance->setCurrentSeconds(0.5);
        return instance;
    };
    Operation made{"arbitrary-data new", effect,
                   [effect] {
                       auto instance = std::make_unique<EffectInstance>(pluginOf(effect));
                       EXPECT_EQ(instance->globalSetup(), PF_Err_NONE);
                       EXPECT_EQ(instance->paramsSetup(), PF_Err_NONE);
                       EXPECT_EQ(instance->sequenceSetup(), PF_Err_NONE);
                       instance->setProcessorCount(1);
                       return instance;
                   },
                   [](EffectInstance& instance) { return instance.createArbitraryValues(); },
                   {}};
    Operation copied{"arbitrary-data copy", effect, keyframed,
                     [curve](EffectInstance& instance) {
                         return arbitraryStep(instance, [&] { instance.arbitraryFlatAt(curve, -1.0); });
                     },
                     {}};
    Operation unflattened{"arbitrary-data unflatten", effect, [effect] { return gradingInstance(effect); },
                          [effect, curve](EffectInstance& instance) {
                              return arbitraryStep(instance, [&] {
                                  instance.setArbitraryFlat(curve, flatText(otherCurves(effect)));
                              });
                          },
                          {}};
    Operation interpolated{"arbitrary-data interpolate", effect, keyframed,
                           [curve](EffectInstance& instance) {
                               return arbitraryStep(instance, [&] { instance.arbitraryFlatAt(curve, 0.25); });
                           },
                           {}};
    Operation flattened{"arbitrary-data flatten", effect, [effect] { return gradingInstance(effect); },
                        [curve](EffectInstance& instance) {
                            return arbitraryStep(instance, [&] { instance.arbitraryFlat(curve); });
                        },
                        {}};
    // The default came with the parameter's registration: new makes the value only. Copy, unflatten and
    // interpolate make one value each.
    EXPECT_EQ(sweep(made).allocations, 1u);
    EXPECT_EQ(sweep(copied).allocations, 1u);
    EXPECT_EQ(sweep(unflattened).allocations, 1u);
    EXPECT_EQ(sweep(interpolated).allocations, 1u);
    // The flat text is the plug-in's own memory: flattening asks the host for none.
    EXPECT_EQ(sweep(flattened).allocations, 0u);
}

TEST_P(CommandFailures, EditorClickDragAndDraw) {
    const Effect effect = GetParam();
    const int curve = curveParam(effect);
    // The shown curve: rgb (Absolute) or brightness (Relative), flat or rising through (0.5, y).
    const double y = effect == Effect::Absolute ? 0.5 : 0.0;
    const std::string shown = effect == Effect::Absolute ? "rgb" : "brightness";
    const auto panelWith = [effect, curve](const std::string& curves) {
        return [effect, curve, curves] {
            auto instance = gradingInstance(effect);
            instance->setArbitraryFlat(curve, flatText(curves));
            instance->setPanelSize(kPanelWidth, kPanelHeight);
            EXPECT_EQ(instance->sendEvent(event(PF_Event_DRAW, 0, 0)).result, PF_Err_NONE);
            return instance;
        };
    };
    const int px = plotX(0.5);
    const int py = plotY(effect, y);
    // A click on the curve between its two nodes adds a third.
    Operation click{"a click that adds a node", effect, panelWith("version 0\n"),
                    [px, py](EffectInstance& instance) {
                        return instance.sendEvent(event(PF_Event_DO_CLICK, px, py)).result;
                    },
                    {}};
    // A whole gesture on the middle node: click, drag, release.
    Operation drag{"a drag of a node", effect,
                   panelWith(curveSetText({{shown, curveText({{0, 0}, {0.5, y}, {1, effect == Effect::Absolute ? 1 : 0}})}})),
                   [px, py](EffectInstance& instance) {
                       const PF_Err clicked = instance.sendEvent(event(PF_Event_DO_CLICK, px, py)).result;
                       const PF_Err moved = instance.sendEvent(event(PF_Event_DRAG, px + 40, py - 30)).result;
                       const PF_Err released = instance.sendEvent(event(PF_Event_DRAG, px + 40, py - 30, true)).result;
                       return clicked != PF_Err_NONE ? clicked : moved != PF_Err_NONE ? moved : released;
                   },
                   {}};
    Operation draw{"a draw", effect, panelWith("version 0\n"),
                   [](EffectInstance& instance) { return instance.sendEvent(event(PF_Event_DRAW, 0, 0)).result; },
                   {}};
    for (const Operation& op : {click, drag, draw}) {
        const Counts counts = sweep(op);
        // Each event redraws the panel in memory from the host.
        EXPECT_GE(counts.allocations, 1u) << op.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, CommandFailures, ::testing::Values(Effect::Absolute, Effect::Relative),
                         [](const ::testing::TestParamInfo<Effect>& info) { return std::string(nameOf(info.param)); });

} // namespace
} // namespace korvane::failuretest

// Deleting nodes in the panel of both real plug-ins: an alt-clicked node leaves the curve, its handles and
// the render exactly as they would be without it (Manual sides excepted), as dragging a node out does.
#include "tests/e2e/AbsoluteEffect.h"
#include "tests/e2e/RelativeEffect.h"

#include "curves/KnotList.h"
#include "host/HostImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace korvane::testing {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 340;
// Plot from x 70 to width - 19 and y 10 to height - 72.
constexpr int kPlotLeft = 70;
constexpr int kPlotRight = kWidth - 19;
constexpr int kPlotBottom = kHeight - 72;
constexpr int kPlotTop = 10;

// The curve each effect's panel shows at first, its neutral slope and its default view's y range.
struct AbsoluteCase {
    using Effect = AbsoluteEffect;
    using CurveSet = AbsoluteCurveSet;
    static constexpr int kCurveIndex = kCurveParam;
    static constexpr int kShown = 3; // rgb
    static constexpr double kSlope = 1.0;
    static constexpr double kViewBottom = 0.0;
    static constexpr double kViewTop = 1.0;
};

struct RelativeCase {
    using Effect = relativetest::RelativeEffect;
    using CurveSet = RelativeCurveSet;
    static constexpr int kCurveIndex = relativetest::kCurveParam;
    static constexpr int kShown = 0; // brightness
    static constexpr double kSlope = 0.0;
    static constexpr double kViewBottom = -1.0;
    static constexpr double kViewTop = 1.0;
};

template <typename Case>
int pixelX(double x) {
    return int(kPlotLeft + (kPlotRight - kPlotLeft) * x);
}

template <typename Case>
int pixelY(double y) {
    return int(kPlotBottom -
               (kPlotBottom - kPlotTop) * (y - Case::kViewBottom) / (Case::kViewTop - Case::kViewBottom));
}

// One node of a curve built for a test: position and the modes of its two sides.
struct NodeSpec {
    double x;
    double y;
    HandleMode left = HandleMode::Smooth;
    HandleMode right = HandleMode::Smooth;
};

// A fresh curve through the nodes, in slots 0, 1, ..., with the handles the rule gives them; a Manual side
// of the first node gets `manual` as its handle.
Curve freshCurve(const std::vector<NodeSpec>& nodes, double slope, CurveNode manual = {}) {
    Curve curve{};
    resetCurve(curve, slope);
    for (CurveNode& node : curve.nodes) {
        node.active = 0;
    }
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        CurveNode& node = curve.nodes[k];
        node.x = nodes[k].x;
        node.y = nodes[k].y;
        node.leftMode = nodes[k].left;
        node.rightMode = nodes[k].right;
        node.active = 1;
    }
    curve.nodes[0].leftDx = manual.leftDx;
    curve.nodes[0].leftDy = manual.leftDy;
    curve.nodes[0].rightDx = manual.rightDx;
    curve.nodes[0].rightDy = manual.rightDy;
    recomputeHandles(curve, slope);
    return curve;
}

std::vector<CurveNode> activeByX(const Curve& curve) {
    std::vector<CurveNode> nodes;
    for (const CurveNode& node : curve.nodes) {
        if (node.active != 0) {
            nodes.push_back(node);
        }
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const CurveNode& a, const CurveNode& b) { return a.x < b.x; });
    return nodes;
}

// The same nodes (whatever slots they sit in) with the same positions, handles and modes, to the bit.
void expectSameCurve(const Curve& actual, const Curve& expected) {
    const std::vector<CurveNode> a = activeByX(actual);
    const std::vector<CurveNode> e = activeByX(expected);
    ASSERT_EQ(a.size(), e.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(a[k].x, e[k].x);
        EXPECT_EQ(a[k].y, e[k].y);
        EXPECT_EQ(a[k].leftDx, e[k].leftDx);
        EXPECT_EQ(a[k].leftDy, e[k].leftDy);
        EXPECT_EQ(a[k].rightDx, e[k].rightDx);
        EXPECT_EQ(a[k].rightDy, e[k].rightDy);
        EXPECT_EQ(a[k].leftMode, e[k].leftMode);
        EXPECT_EQ(a[k].rightMode, e[k].rightMode);
    }
    EXPECT_TRUE(curvesEqual(actual, expected));
}

template <typename CurveSet>
void expectSameCurves(const CurveSet& actual, const CurveSet& expected) {
    for (std::size_t c = 0; c < actual.curves.size(); ++c) {
        SCOPED_TRACE("curve " + std::to_string(c));
        expectSameCurve(actual.curves[c], expected.curves[c]);
    }
    EXPECT_TRUE(curveSetsEqual(actual, expected));
}

// Opaque greys from black to white in 256 steps, at the depth's scale.
std::shared_ptr<kvhost::HostImage> greyRamp(int depth) {
    auto image = std::make_shared<kvhost::HostImage>(256, 1, depth);
    const double max = depth == 32 ? 1.0 : kvhost::HostImage::maxValue(depth);
    for (int x = 0; x < 256; ++x) {
        const double grey = depth == 32 ? x / 255.0 : std::round(x * max / 255.0);
        image->setChannel(x, 0, 0, max);
        for (int c = 1; c < 4; ++c) {
            image->setChannel(x, 0, c, grey);
        }
    }
    return image;
}

template <typename Effect>
std::vector<std::uint8_t> renderRamp(Effect& effect, int depth) {
    kvhost::RenderRequest request;
    request.input = greyRamp(depth);
    const kvhost::RenderResult result = effect.instance().renderSmart(request);
    EXPECT_EQ(result.result, PF_Err_NONE);
    return result.output.pixelBytesPacked();
}

template <typename Case>
class NodeDeleteTest : public ::testing::Test {
protected:
    using Effect = typename Case::Effect;
    using CurveSet = typename Case::CurveSet;
    static constexpr double s = Case::kSlope;

    NodeDeleteTest() { effect->setPanelSize(kWidth, kHeight); }

    void send(PF_EventType type, int x, int y, PF_Modifiers modifiers = PF_Mod_NONE, bool last = false) {
        kvhost::EventRequest event;
        event.type = type;
        event.point = PF_Point{x, y};
        event.modifiers = modifiers;
        event.lastDrag = last;
        ASSERT_EQ(effect->sendEvent(event).result, PF_Err_NONE);
    }

    // Click on the curve at x and pull the new node to y, as a user adds a node. Returns its slot.
    int addByDragging(double x, double y) {
        const int px = pixelX<Case>(x);
        const int startY = pixelY<Case>(s * x);
        send(PF_Event_DO_CLICK, px, startY);
        send(PF_Event_DRAG, px, (startY + pixelY<Case>(y)) / 2);
        send(PF_Event_DRAG, px, pixelY<Case>(y), PF_Mod_NONE, true);
        return effect.sequence()->states[Case::kShown].active;
    }

    void altClick(const CurveNode& node) {
        send(PF_Event_DO_CLICK, pixelX<Case>(node.x), pixelY<Case>(node.y), PF_Mod_OPT_ALT_KEY);
    }

    Curve& shown(CurveSet& set) { return set.curves[Case::kShown]; }

    // Three nodes around the neutral line; the first with Linear sides, the others Smooth.
    std::vector<NodeSpec> threeNodes() const {
        return {{0.15, s * 0.15 + 0.1, HandleMode::Linear, HandleMode::Linear},
                {0.5, s * 0.5 + 0.3},
                {0.85, s * 0.85 - 0.1}};
    }

    Effect effect;
};

using Cases = ::testing::Types<AbsoluteCase, RelativeCase>;
class CaseNames {
public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, AbsoluteCase> ? "Absolute" : "Relative";
    }
};
TYPED_TEST_SUITE(NodeDeleteTest, Cases, CaseNames);

TYPED_TEST(NodeDeleteTest, AnAltClickedNewNodeLeavesTheCurveAsBefore) {
    auto& effect = this->effect;
    const auto before = effect.rawCurves();
    const std::vector<std::uint8_t> flatBefore = effect->arbitraryFlat(TypeParam::kCurveIndex);
    const int slot = this->addByDragging(0.5, this->s * 0.5 + 0.25);
    auto added = effect.rawCurves();
    ASSERT_EQ(countActive(this->shown(added)), 3);
    ASSERT_GE(slot, 0);
    const CurveNode node = this->shown(added).nodes[std::size_t(slot)];
    EXPECT_NEAR(node.y, this->s * 0.5 + 0.25, 0.01);

    this->altClick(node);
    auto after = effect.rawCurves();
    EXPECT_EQ(countActive(this->shown(after)), 2);
    EXPECT_EQ(this->shown(after).nodes[std::size_t(slot)].active, 0);
    expectSameCurves(after, before);
    EXPECT_EQ(effect->arbitraryFlat(TypeParam::kCurveIndex), flatBefore);
    EXPECT_EQ(effect.sequence()->states[TypeParam::kShown].active, -1);
    for (const int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        EXPECT_EQ(renderRamp(effect, depth), greyRamp(depth)->pixelBytesPacked());
    }
    EXPECT_EQ(effect->problems(), "");
}

TYPED_TEST(NodeDeleteTest, TheNodesLeftAfterAnAltClickFollowTheHandleRule) {
    auto& effect = this->effect;
    std::vector<NodeSpec> nodes = this->threeNodes();
    auto set = effect.rawCurves();
    this->shown(set) = freshCurve(nodes, this->s);
    effect.setRawCurves(set);
    const std::vector<std::uint8_t> renderedWithThree = renderRamp(effect, 16);

    this->altClick(this->shown(set).nodes[1]);
    auto after = effect.rawCurves();
    nodes.erase(nodes.begin() + 1);
    this->shown(set) = freshCurve(nodes, this->s);
    expectSameCurves(after, set);

    // The render is the one of an effect that never had the middle node.
    typename TypeParam::Effect fresh;
    fresh.setRawCurves(set);
    for (const int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        EXPECT_EQ(renderRamp(effect, depth), renderRamp(fresh, depth));
    }
    EXPECT_NE(renderRamp(effect, 16), renderedWithThree);
    EXPECT_EQ(effect->problems(), "");
}

TYPED_TEST(NodeDeleteTest, AManualSideKeepsItsHandleAcrossADeletion) {
    auto& effect = this->effect;
    std::vector<NodeSpec> nodes = this->threeNodes();
    nodes[0].right = HandleMode::Manual;
    CurveNode manual{};
    manual.rightDx = 0.12;
    manual.rightDy = -0.2;
    auto set = effect.rawCurves();
    this->shown(set) = freshCurve(nodes, this->s, manual);
    effect.setRawCurves(set);

    this->altClick(this->shown(set).nodes[1]);
    auto after = effect.rawCurves();
    const CurveNode& first = this->shown(after).nodes[0];
    EXPECT_EQ(first.rightMode, HandleMode::Manual);
    EXPECT_EQ(first.rightDx, 0.12);
    EXPECT_EQ(first.rightDy, -0.2);
    nodes.erase(nodes.begin() + 1);
    this->shown(set) = freshCurve(nodes, this->s, manual);
    expectSameCurves(after, set);
    EXPECT_EQ(effect->problems(), "");
}

// Dragging the new node below the panel and letting go there deletes it too, as it always did.
TYPED_TEST(NodeDeleteTest, ANodeDraggedOutLeavesTheCurveAsBefore) {
    auto& effect = this->effect;
    const auto before = effect.rawCurves();
    const int slot = this->addByDragging(0.4, this->s * 0.4 + 0.2);
    ASSERT_GE(slot, 0);
    auto added = effect.rawCurves();
    const CurveNode node = this->shown(added).nodes[std::size_t(slot)];
    const int px = pixelX<TypeParam>(node.x);
    const int py = pixelY<TypeParam>(node.y);
    this->send(PF_Event_DO_CLICK, px, py);
    this->send(PF_Event_DRAG, px, kPlotBottom + 40);
    this->send(PF_Event_DRAG, px, kPlotBottom + 41, PF_Mod_NONE, true);
    expectSameCurves(effect.rawCurves(), before);
    EXPECT_EQ(renderRamp(effect, 8), greyRamp(8)->pixelBytesPacked());
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::testing

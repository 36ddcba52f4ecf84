// The render set-up of the Absolute effect against a recording host: which parameters it checks out and
// gives back in which order on every path, and what it reads from and writes to the sequence data.
#include "absolute/AbsoluteCurvesAEHost.h"
#include "curves/CurveEdit.h"
#include "curves/EffectTraits.h"
#include "curves/SequenceData.h"
#include "pixels/PixelRGB.h"
#include "tests/absolute/TestCurves.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace korvane::testing {
namespace {

using ::testing::ElementsAre;

// What the recording host hands out and records; its callbacks carry no context, so it is one per test.
struct Recording {
    std::vector<int> checkouts;
    std::vector<int> checkins;
    std::map<const PF_ParamDef*, int> checkedOut;
    int locks = 0;
    int unlocks = 0;
    PF_Err failCheckoutOf = 0; // parameter index whose checkout fails with error 7
    int progressCalls = 0;
    int liveHandles = 0;
    int abortAfter = -1;
    AbsoluteCurveSet curves{};
    void* curveBlock = &curves;
    PF_ParamValue channel = 4;
    PF_ParamValue invert = 0;
};

Recording* recording = nullptr;

PF_Err checkout(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* def) {
    if (index == recording->failCheckoutOf) {
        return 7;
    }
    recording->checkouts.push_back(index);
    recording->checkedOut[def] = index;
    std::memset(def, 0, sizeof *def);
    if (index == 2) {
        def->u.arb_d.value = &recording->curveBlock;
    } else if (index == 1) {
        def->u.pd.value = recording->channel;
    } else if (index == 8) {
        def->u.bd.value = recording->invert;
    }
    return PF_Err_NONE;
}

PF_Err checkin(PF_ProgPtr, PF_ParamDef* def) {
    const auto found = recording->checkedOut.find(def);
    recording->checkins.push_back(found != recording->checkedOut.end() ? found->second : -1);
    if (found != recording->checkedOut.end()) {
        recording->checkedOut.erase(found);
    }
    return PF_Err_NONE;
}

PF_Err progress(PF_ProgPtr, A_long, A_long) {
    ++recording->progressCalls;
    return recording->abortAfter >= 0 && recording->progressCalls > recording->abortAfter
               ? PF_Interrupt_CANCEL
               : PF_Err_NONE;
}

void* lockHandle(PF_Handle handle) {
    ++recording->locks;
    return *handle;
}

void unlockHandle(PF_Handle) {
    ++recording->unlocks;
}

// Scratch memory of the render: a master pointer to a block, as host handles are.
PF_Handle newHandle(A_u_longlong size) {
    auto* handle = new void*;
    *handle = ::operator new(std::size_t(size));
    ++recording->liveHandles;
    return handle;
}

void disposeHandle(PF_Handle handle) {
    ::operator delete(*handle);
    delete handle;
    --recording->liveHandles;
}

A_u_longlong handleSize(PF_Handle handle) {
    return handle == &recording->curveBlock ? sizeof(AbsoluteCurveSet) : sizeof(EditorStateSet);
}

// The effect with the records of a smart render bound, as dispatch binds them.
class BoundEffect : public AbsoluteCurvesAEHost {
public:
    explicit BoundEffect(PF_InData* in) : AbsoluteCurvesAEHost("Test", "Korvane", "", 1, 0, 7) {
        inData_ = in;
        setThreadCountOverride(1);
    }
};

class RenderSetup : public ::testing::Test {
protected:
    void SetUp() override {
        recording = &record_;
        resetCurveSet(record_.curves);
        std::memset(&utils_, 0, sizeof utils_);
        utils_.host_lock_handle = lockHandle;
        utils_.host_unlock_handle = unlockHandle;
        utils_.host_get_handle_size = handleSize;
        utils_.host_new_handle = newHandle;
        utils_.host_dispose_handle = disposeHandle;
        std::memset(&in_, 0, sizeof in_);
        in_.inter.checkout_param = checkout;
        in_.inter.checkin_param = checkin;
        in_.inter.progress = progress;
        in_.utils = &utils_;
        in_.time_scale = 24;
        in_.time_step = 1;
        initEditorStateSet<AbsoluteTraits>(*states_);
        statesBlock_ = states_.get();
        in_.sequence_data = &statesBlock_;
        input_.assign(8 * 4, Pixel8{});
        output_.assign(8 * 4, Pixel8{{7, 7, 7, 7}});
        for (std::size_t i = 0; i < input_.size(); ++i) {
            input_[i].red() = std::uint8_t(i * 8);
            input_[i].green() = std::uint8_t(255 - i * 8);
            input_[i].blue() = 40;
            input_[i].alpha() = 255;
        }
    }
    void TearDown() override {
        // Every scratch block of the render went back.
        EXPECT_EQ(record_.liveHandles, 0);
        EXPECT_EQ(record_.locks, record_.unlocks);
        recording = nullptr;
    }

    ImageDesc image(std::vector<Pixel8>& pixels) {
        ImageDesc desc;
        desc.pixels = pixels.data();
        desc.width = 8;
        desc.height = 4;
        desc.rowBytes = 8 * sizeof(Pixel8);
        desc.depth = 8;
        desc.present = 1;
        return desc;
    }

    std::int32_t render() {
        BoundEffect effect(&in_);
        return effect.render8(image(input_), image(output_), LayerMap{});
    }

    bool outputUntouched() const {
        for (const Pixel8& p : output_) {
            if (p.red() != 7 || p.alpha() != 7) {
                return false;
            }
        }
        return true;
    }

    Recording record_;
    PF_UtilCallbacks utils_{};
    PF_InData in_{};
    std::unique_ptr<EditorStateSet> states_ = std::make_unique<EditorStateSet>();
    void* statesBlock_ = nullptr;
    std::vector<Pixel8> input_;
    std::vector<Pixel8> output_;
};

TEST_F(RenderSetup, ChecksOutCurveChannelAndInvertAndGivesThemBackInReverse) {
    ASSERT_EQ(render(), PF_Err_NONE);
    EXPECT_THAT(record_.checkouts, ElementsAre(2, 1, 8));
    EXPECT_THAT(record_.checkins, ElementsAre(8, 1, 2));
    EXPECT_EQ(record_.locks, record_.unlocks);
    EXPECT_GE(record_.locks, 2);
    EXPECT_FALSE(outputUntouched());
}

TEST_F(RenderSetup, WithoutSequenceDataEverythingGoesBackAndNothingIsRendered) {
    in_.sequence_data = nullptr;
    EXPECT_EQ(render(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_THAT(record_.checkins, ElementsAre(8, 1, 2));
    EXPECT_EQ(record_.locks, record_.unlocks);
    EXPECT_TRUE(outputUntouched());
}

TEST_F(RenderSetup, AFailedCheckoutIsReturnedAndWhatWasCheckedOutGoesBack) {
    record_.failCheckoutOf = 1;
    EXPECT_EQ(render(), 7);
    EXPECT_THAT(record_.checkins, ElementsAre(2));
    EXPECT_EQ(record_.locks, record_.unlocks);
    EXPECT_TRUE(outputUntouched());
}

TEST_F(RenderSetup, HistogramSettingsComeFromTheFirstEditorStateAndTheCountsGoBack) {
    states_->current = 5;
    states_->states[0].histogram = 1;
    states_->states[5].histogram = 2;
    record_.channel = 6; // green
    ASSERT_EQ(render(), PF_Err_NONE);
    EXPECT_EQ(states_->histogramMode, 1);
    EXPECT_EQ(states_->histogramPixels, 32);
    // Mode 1 on green: input and output green / 255 over the first state's view, 0..1.
    std::array<std::int32_t, kHistogramBins> expected{};
    for (const Pixel8& p : input_) {
        ++expected[std::size_t(2559.0 * (p.green() / 255.0))];
    }
    EXPECT_EQ(states_->histogramBins[0], expected);
    EXPECT_EQ(states_->histogramBins[1], expected);
}

TEST_F(RenderSetup, AnAbortLeavesTheSequenceDataAlone) {
    states_->states[0].histogram = 2;
    states_->histogramPixels = 99;
    states_->histogramBins[2][5] = 3;
    record_.abortAfter = 0;
    EXPECT_EQ(render(), PF_Interrupt_CANCEL);
    EXPECT_EQ(states_->histogramMode, 0);
    EXPECT_EQ(states_->histogramPixels, 99);
    EXPECT_EQ(states_->histogramBins[2][5], 3);
    EXPECT_THAT(record_.checkins, ElementsAre(8, 1, 2));
}

TEST_F(RenderSetup, TheCurvesAndInvertAllComeFromTheParameters) {
    // "invert all" with the rgb curve x 0.5 stored: doubling.
    record_.curves.curves[3] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    for (Curve& curve : record_.curves.curves) {
        if (&curve != &record_.curves.curves[3]) {
            invertCurve(curve, 1.0);
        }
    }
    record_.invert = 1;
    ASSERT_EQ(render(), PF_Err_NONE);
    EXPECT_EQ(output_[2].red(), 32);
    EXPECT_EQ(output_[2].blue(), 80);
    // The parameter's own curve set was copied, never changed.
    EXPECT_EQ(record_.curves.curves[3].nodes[1].y, 0.5);
}

} // namespace
} // namespace korvane::testing

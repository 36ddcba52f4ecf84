#pragma once
// The real morrowby.so driven through libkvhost, with the curve value and the sequence data set and read
// in their stored forms.
#include "curves/CurveSet.h"
#include "curves/CurveText.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "curves/SequenceData.h"
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "tests/absolute/TestCurves.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::testing {

// Host indices of the effect's parameters.
enum AbsoluteParam : int {
    kChannelParam = 1,
    kCurveParam = 2,
    kScaleParam = 3,
    kNodeXParam = 4,
    kNodeYParam = 5,
    kSelectXParam = 6,
    kSelectYParam = 7,
    kInvertParam = 8,
};

inline std::vector<std::uint8_t> flatText(const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

class AbsoluteEffect {
public:
    AbsoluteEffect() : plugin_(KV_MORROWBY), instance_(plugin_) { instance_.setup(); }

    kvhost::EffectInstance& instance() { return instance_; }
    kvhost::EffectInstance* operator->() { return &instance_; }
    const kvhost::PluginFile& plugin() const { return plugin_; }

    void setCurves(const AbsoluteCurveSet& set) {
        instance_.setArbitraryFlat(kCurveParam, flatText(writeCurveSet(set)));
    }

    AbsoluteCurveSet curves() {
        const std::vector<std::uint8_t> flat = instance_.arbitraryFlat(kCurveParam);
        AbsoluteCurveSet set{};
        readCurveSet(std::string_view(reinterpret_cast<const char*>(flat.data()), flat.size()), set);
        return set;
    }

    // The sequence data as the plug-in left it (the raw record between commands).
    std::unique_ptr<EditorStateSet> sequence() {
        const std::vector<std::uint8_t> bytes = instance_.memory().bytes(instance_.sequenceData());
        auto set = std::make_unique<EditorStateSet>();
        std::memset(set.get(), 0, sizeof(EditorStateSet));
        std::memcpy(set.get(), bytes.data(), std::min(bytes.size(), sizeof(EditorStateSet)));
        return set;
    }

    // Hands the plug-in a raw record as the host hands back sequence data it stored unflattened.
    void setSequence(const EditorStateSet& set) {
        std::vector<std::uint8_t> raw(sizeof(EditorStateSet));
        std::memcpy(raw.data(), &set, sizeof set);
        ASSERT_EQ(instance_.resetupSequence(raw), PF_Err_NONE);
    }

    static std::unique_ptr<EditorStateSet> newSequence() {
        auto set = std::make_unique<EditorStateSet>();
        initEditorStateSet<AbsoluteTraits>(*set);
        return set;
    }

private:
    kvhost::PluginFile plugin_;
    kvhost::EffectInstance instance_;
};

} // namespace korvane::testing

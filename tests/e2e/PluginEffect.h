#pragma once
// A real plug-in file driven through libkvhost, with the curve value and the sequence data set and read in
// their stored forms. AbsoluteEffect and RelativeEffect name the file and the curve parameter.
#include "curves/CurveSet.h"
#include "curves/CurveText.h"
#include "curves/EditorState.h"
#include "curves/SequenceData.h"
#include "host/EffectInstance.h"
#include "host/PluginFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::testing {

// A text as the host stores a flat arbitrary value: the characters and their NUL.
inline std::vector<std::uint8_t> flatText(const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

template <typename Traits>
class PluginEffect {
public:
    using CurveSet = typename Traits::CurveSetType;

    PluginEffect(const char* pluginPath, int curveParam)
        : plugin_(pluginPath), instance_(plugin_), curveParam_(curveParam) {
        instance_.setup();
    }

    kvhost::EffectInstance& instance() { return instance_; }
    kvhost::EffectInstance* operator->() { return &instance_; }
    const kvhost::PluginFile& plugin() const { return plugin_; }

    void setCurves(const CurveSet& set) { instance_.setArbitraryFlat(curveParam_, flatText(writeCurveSet(set))); }

    CurveSet curves() {
        const std::vector<std::uint8_t> flat = instance_.arbitraryFlat(curveParam_);
        CurveSet set{};
        readCurveSet(std::string_view(reinterpret_cast<const char*>(flat.data()), flat.size()), set);
        return set;
    }

    // The curve value as the plug-in holds it, every double as computed (the flat text keeps six digits).
    CurveSet rawCurves() {
        const std::vector<std::uint8_t> bytes =
            instance_.memory().bytes(instance_.parameter(curveParam_).arbitraryValue);
        CurveSet set{};
        EXPECT_EQ(bytes.size(), sizeof(CurveSet));
        std::memcpy(static_cast<void*>(&set), bytes.data(), std::min(bytes.size(), sizeof(CurveSet)));
        return set;
    }

    // Replaces the held curve value byte for byte, as if the plug-in had made it.
    void setRawCurves(const CurveSet& set) {
        kvhost::HostMemory& memory = instance_.memory();
        const PF_Handle handle = instance_.parameter(curveParam_).arbitraryValue;
        ASSERT_EQ(memory.size(handle), sizeof(CurveSet));
        std::memcpy(memory.lock(handle), &set, sizeof set);
        memory.unlock(handle);
    }

    // The sequence data as the plug-in left it (the raw record between commands).
    std::unique_ptr<EditorStateSet> sequence() {
        const std::vector<std::uint8_t> bytes = instance_.memory().bytes(instance_.sequenceData());
        auto set = std::make_unique<EditorStateSet>();
        std::memset(static_cast<void*>(set.get()), 0, sizeof(EditorStateSet));
        std::memcpy(static_cast<void*>(set.get()), bytes.data(), std::min(bytes.size(), sizeof(EditorStateSet)));
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
        initEditorStateSet<Traits>(*set);
        return set;
    }

private:
    kvhost::PluginFile plugin_;
    kvhost::EffectInstance instance_;
    int curveParam_;
};

} // namespace korvane::testing

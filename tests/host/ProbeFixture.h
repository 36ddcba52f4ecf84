#pragma once
// Drives the probe plug-in through libkvhost; the probe's behaviour is set through its exported
// ProbeConfigure, and what it saw is read back through ProbeValue.
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "tests/host/plugins/ProbeParams.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kvhost {

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin_ = std::make_unique<PluginFile>(KV_PROBE_PLUGIN);
        configure_ = reinterpret_cast<void (*)(const char*, int)>(plugin_->symbol("ProbeConfigure"));
        value_ = reinterpret_cast<int (*)(const char*)>(plugin_->symbol("ProbeValue"));
        reset_ = reinterpret_cast<void (*)()>(plugin_->symbol("ProbeReset"));
        ASSERT_TRUE(configure_ && value_ && reset_);
        reset_();
    }
    void TearDown() override {
        if (reset_) { // not when SetUp failed to load the probe
            reset_();
        }
    }

    void set(const char* key, int value) { configure_(key, value); }
    int seen(const char* key) { return value_(key); }
    const PluginFile& plugin() const { return *plugin_; }

    // An instance that went through the host's set-up commands.
    std::unique_ptr<EffectInstance> setUpInstance() {
        auto instance = std::make_unique<EffectInstance>(*plugin_);
        instance->setup();
        return instance;
    }

    // The report of the last command with this name.
    static const CommandReport& reportOf(const EffectInstance& instance, const std::string& command) {
        for (auto r = instance.reports().rbegin(); r != instance.reports().rend(); ++r) {
            if (r->command == command) {
                return *r;
            }
        }
        static const CommandReport none;
        ADD_FAILURE() << "no report of " << command;
        return none;
    }

    // An image whose every channel holds a different value: x, y and channel mixed.
    static std::shared_ptr<HostImage> pattern(int width, int height, int depth) {
        auto image = std::make_shared<HostImage>(width, height, depth);
        const double max = depth == 32 ? 1.0 : HostImage::maxValue(depth);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < 4; ++c) {
                    const double step = double((x * 7 + y * 13 + c * 29) % 64) / 63.0;
                    image->setChannel(x, y, c, step * max);
                }
            }
        }
        return image;
    }

    static std::string text(const std::vector<std::uint8_t>& bytes) {
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::unique_ptr<PluginFile> plugin_;
    void (*configure_)(const char*, int) = nullptr;
    int (*value_)(const char*) = nullptr;
    void (*reset_)() = nullptr;
};

} // namespace kvhost

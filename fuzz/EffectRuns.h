#pragma once
// The real plug-in files driven through libkvhost for the fuzz targets: a fresh instance per input, a
// small picture at each depth, and the checks that every command leaves the host as it found it.
#include "host/EffectInstance.h"
#include "host/PluginFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane::fuzz {

enum class Effect { Absolute, Relative };

// Loaded once per process.
const kvhost::PluginFile& pluginOf(Effect effect);
Effect effectOfMatchName(const std::string& matchName);

// A set-up instance; the fuzz targets make one per input so that no input sees another's state.
std::unique_ptr<kvhost::EffectInstance> newInstance(Effect effect);

// 8, 16 or 32 bits; 16 for one selector in sixty-four.
int depthOf(std::uint8_t selector);

// 16 x 8 pixels of varied colours; at float depth some values lie below 0 and above 1.
std::shared_ptr<const kvhost::HostImage> smallPicture(int depth);

// The host found nothing left over or misused after any command so far.
void requireClean(const kvhost::EffectInstance& instance);

// A smart render of the small picture must succeed and give finite pixels at float depth and pixels
// within 0..maximum at the integer depths, with nothing written outside them.
void requireGoodRender(kvhost::EffectInstance& instance, int depth);

// Index of the "curve" parameter.
int curveParameter(const kvhost::EffectInstance& instance);

std::vector<std::uint8_t> flatText(const std::string& text);

} // namespace korvane::fuzz

#pragma once
// The progress phases of the Relative render's segment: the host's progress bar runs through them in order.
#include <cstdint>

namespace korvane::relative {

inline constexpr std::int32_t kPhaseCount = 6;
inline constexpr std::int32_t kPhasePreBlurRows = 0;
inline constexpr std::int32_t kPhasePreBlurColumns = 1;
inline constexpr std::int32_t kPhaseMain = 2;
inline constexpr std::int32_t kPhasePostBlurRows = 3;
inline constexpr std::int32_t kPhasePostBlurColumns = 4;
inline constexpr std::int32_t kPhaseComposite = 5;

} // namespace korvane::relative

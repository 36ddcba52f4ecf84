#include "curves/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <stdlib.h>
#include <system_error>

namespace korvane {

namespace {

constexpr int kSignificantDigits = 6;
// Tokens are at most 1000 characters; longer ones are cut there.
constexpr std::size_t kMaxNumberText = 1000;

locale_t classicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

void appendNumber(std::string& out, double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, kSignificantDigits);
    out.append(buffer.data(), result.ptr);
}

void appendNumber(std::string& out, std::int32_t value) {
    std::array<char, 16> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

double parseDouble(std::string_view token) {
    std::array<char, kMaxNumberText + 1> text{};
    const std::size_t length = std::min(token.size(), kMaxNumberText);
    token.copy(text.data(), length);
    // strtod follows LC_NUMERIC; stored texts always use a point.
    const locale_t locale = classicLocale();
    return locale != locale_t(nullptr) ? strtod_l(text.data(), nullptr, locale)
                                       : std::strtod(text.data(), nullptr);
}

std::int32_t parseInt(std::string_view token) {
    std::size_t position = 0;
    bool negative = false;
    if (position < token.size() && (token[position] == '+' || token[position] == '-')) {
        negative = token[position] == '-';
        ++position;
    }
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    while (position < token.size() && token[position] >= '0' && token[position] <= '9') {
        magnitude = std::min(magnitude * 10 + (token[position] - '0'), kLimit);
        ++position;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return std::int32_t(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

} // namespace korvane

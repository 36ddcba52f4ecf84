#include "curves/CubicSolver.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>

namespace korvane {

float fastCbrt(float x) {
    if (x == 0.0f) {
        return 0.0f;
    }
    constexpr std::int32_t kOneBits = std::bit_cast<std::int32_t>(1.0f);
    constexpr std::uint32_t kSignBit = 0x80000000u;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const auto magnitude = static_cast<std::int32_t>(bits & ~kSignBit);
    // Dividing the exponent by three: 341 / 1024 is just under 1/3.
    const std::int32_t estimate = ((magnitude - kOneBits) >> 10) * 341 + kOneBits;
    const float a = std::bit_cast<float>(static_cast<std::uint32_t>(estimate) | (bits & kSignBit));
    const float a3 = a * a * a;
    return a * (a3 + 2.0f * x) / (2.0f * a3 + x);
}

DepressedCubic DepressedCubic::prepare(double a0, double a1, double a2, double a3) {
    DepressedCubic c{};
    c.a0 = a0;
    c.a3 = a3;
    c.p = a1 / a3 - a2 * a2 / (3.0 * a3 * a3);
    c.qCubic = 2.0 * a2 * a2 * a2 / (27.0 * a3 * a3 * a3);
    c.qLinear = a1 * a2 / (3.0 * a3 * a3);
    c.shift = a2 / (3.0 * a3);
    c.pCubed = c.p * c.p * c.p * 0.037037037037037035;
    return c;
}

double DepressedCubic::solve(double x) const {
    const double q = qCubic + (a0 - x) / a3 - qLinear;
    const double discriminant = pCubed + q * q / 4.0;
    if (discriminant > 0.0) {
        const double root = std::sqrt(discriminant);
        return double(fastCbrt(float(-q / 2.0 + root))) + double(fastCbrt(float(-q / 2.0 - root))) - shift;
    }
    if (discriminant == 0.0) {
        return p == 0.0 ? -shift : -3.0 * q / (2.0 * p) - shift;
    }
    // Three real roots: take the first that lies in the unit interval, with a float-sized margin.
    constexpr double kLow = -0.00005f;
    constexpr double kHigh = 1.00005f;
    const double r = std::sqrt(std::fabs(p) / 3.0);
    const double k = q < 0.0 ? 2.0 * r : -2.0 * r;
    const double phi = std::acos(std::fabs(q) / (2.0 * r * r * r)) / 3.0;
    constexpr double kThirdTurn = 2.0 * std::numbers::pi / 3.0;
    for (const double angle : {phi + 2.0 * kThirdTurn, phi + kThirdTurn}) {
        const double t = k * std::cos(angle) - shift;
        if (t >= kLow && t <= kHigh) {
            return t;
        }
    }
    const double t = k * std::cos(phi) - shift;
    if (t < kLow) {
        return 0.0;
    }
    if (t > kHigh) {
        return 1.0;
    }
    return t; // in range, or NaN when acos had no answer; the caller checks
}

} // namespace korvane

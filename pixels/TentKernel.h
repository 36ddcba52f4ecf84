#pragma once
#include <cmath>
#include <cstdint>

namespace korvane {

// Largest blur radius used; larger radii (a change factor may hold any number) act as this one.
inline constexpr double kMaxBlurRadius = 1073741824.0;

// The tent kernel of a fractional radius R = r + f: weight R + 0.5 - |k| for |k| <= r, f / 2 at |k| = r + 1,
// 0 beyond. The weights change continuously with R, and radius 0 is the identity (one weight of 0.5).
struct TentKernel {
    std::int64_t whole = 0;    // r
    double fraction = 0.0;     // f
    double blendWeight = -0.5; // f - 0.5, the weight of the plain window sum
    double edgeWeight = 0.0;   // f / 2, the weight of the two samples just outside the window
    double scale = 2.0;        // 1 / N, N the sum of all weights

    static TentKernel forRadius(double radius) {
        // A negative, NaN or infinite radius blurs nothing.
        if (!(radius > 0.0) || !std::isfinite(radius)) {
            radius = 0.0;
        }
        if (radius > kMaxBlurRadius) {
            radius = kMaxBlurRadius;
        }
        TentKernel kernel;
        const double r = std::floor(radius);
        kernel.whole = std::int64_t(r);
        kernel.fraction = radius - r;
        kernel.blendWeight = kernel.fraction - 0.5;
        kernel.edgeWeight = kernel.fraction / 2.0;
        // 2 x (0 + 1 + ... + r) + (r + 1) + (2r + 1)(f - 0.5) + f
        const double sum = r * (r + 1.0) + (r + 1.0) + (2.0 * r + 1.0) * kernel.blendWeight + kernel.fraction;
        kernel.scale = 1.0 / sum;
        return kernel;
    }
};

} // namespace korvane

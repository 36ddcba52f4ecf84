#pragma once

namespace korvane {

// Cube root from the float bit pattern with one Halley step; about 1e-7 relative error, cheap enough
// for per-pixel evaluation.
float fastCbrt(float x);

// The x-independent part of a3 t^3 + a2 t^2 + a1 t + (a0 - x) = 0 in depressed form, prepared once per
// curve segment. Requires a3 != 0.
struct DepressedCubic {
    double a0;
    double a3;
    double p;
    double qCubic;  // 2 a2^3 / (27 a3^3)
    double qLinear; // a1 a2 / (3 a3^2)
    double shift;   // a2 / (3 a3)
    double pCubed;  // p^3 / 27

    static DepressedCubic prepare(double a0, double a1, double a2, double a3);

    // A root for X(t) = x, meant to lie in [0, 1]; may be inexact or not finite near a3 = 0, so callers
    // check it against X(t).
    double solve(double x) const;
};

} // namespace korvane

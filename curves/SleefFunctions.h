#pragma once
// The SLEEF vector functions the curve's lanes call (curves/KnotBatch.cpp): 1-ulp inverse cosine and sine
// with cosine, for AVX2 and for SSE4. Debian's sleef.h declares its 256-bit functions only in a file
// compiled for AVX as a whole, which a file built for every target is not; so they are declared here, once,
// under names of ours bound to SLEEF's symbols. curves/SleefFunctionsCheck.cpp, compiled beside sleef.h,
// stops the build when a declaration here differs from the header's.
#include <immintrin.h>

namespace korvane::sleef {

struct DoublePair4 { // SLEEF's Sleef___m256d_2
    __m256d x;
    __m256d y;
};
struct DoublePair2 { // SLEEF's Sleef___m128d_2
    __m128d x;
    __m128d y;
};

// Declared for the processors they run on: Clang refuses a vector argument to a function that, as declared,
// runs without the vector unit, since the two would pass it differently.
__attribute__((target("avx2"))) __m256d acos4(__m256d) __asm__("Sleef_acosd4_u10avx2");
__attribute__((target("avx2"))) DoublePair4 sincos4(__m256d) __asm__("Sleef_sincosd4_u10avx2");
__attribute__((target("sse4.2"))) __m128d acos2(__m128d) __asm__("Sleef_acosd2_u10sse4");
__attribute__((target("sse4.2"))) DoublePair2 sincos2(__m128d) __asm__("Sleef_sincosd2_u10sse4");

} // namespace korvane::sleef

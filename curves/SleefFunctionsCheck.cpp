// Compiled for AVX2 beside Debian's sleef.h and never linked: the build stops here when a declaration of
// curves/SleefFunctions.h differs from SLEEF's own (parameter, result, or the layout of a pair).
#include "curves/SleefFunctions.h"

#include <sleef.h>

#include <cstddef>

namespace {

using namespace korvane::sleef;

// Ours take exactly these types; SLEEF's accept the same arguments and give results of the same types
// (its header makes them const).
[[maybe_unused]] __m256d (*const ourAcos4)(__m256d) = &acos4;
[[maybe_unused]] __m128d (*const ourAcos2)(__m128d) = &acos2;
[[maybe_unused]] DoublePair4 (*const ourSincos4)(__m256d) = &sincos4;
[[maybe_unused]] DoublePair2 (*const ourSincos2)(__m128d) = &sincos2;

[[maybe_unused]] void theirs(__m256d four, __m128d two) {
    [[maybe_unused]] const __m256d acosFour = Sleef_acosd4_u10avx2(four);
    [[maybe_unused]] const __m128d acosTwo = Sleef_acosd2_u10sse4(two);
    [[maybe_unused]] const Sleef___m256d_2 sincosFour = Sleef_sincosd4_u10avx2(four);
    [[maybe_unused]] const Sleef___m128d_2 sincosTwo = Sleef_sincosd2_u10sse4(two);
}

static_assert(sizeof(DoublePair4) == sizeof(Sleef___m256d_2) &&
              sizeof(Sleef___m256d_2::x) == sizeof(__m256d) &&
              offsetof(DoublePair4, y) == offsetof(Sleef___m256d_2, y));
static_assert(sizeof(DoublePair2) == sizeof(Sleef___m128d_2) &&
              sizeof(Sleef___m128d_2::x) == sizeof(__m128d) &&
              offsetof(DoublePair2, y) == offsetof(Sleef___m128d_2, y));

} // namespace

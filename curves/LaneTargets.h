#pragma once
// The instruction sets every vector-lane file is compiled for: include it first, before
// hwy/foreach_target.h. SSE4 and AVX2 and Highway's fallback for the oldest processors; SSSE3 and the
// AVX-512 targets are left out (build time and code without a processor here to test them on, and SLEEF's
// functions exist for SSE4 and AVX2 only), so processors with AVX-512 run the AVX2 code.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX3 | HWY_AVX3_DL)
#endif

// A stand-in for libavfilter: it defines avfilter_version and calls a function handed to it, as the frei0r
// filter calls f0r_update, so the callee sees a return address inside this file.
extern "C" __attribute__((visibility("default"))) unsigned avfilter_version() {
    return 0;
}

extern "C" __attribute__((visibility("default"))) const void* callFromHere(const void* (*callee)()) {
    const void* seen = callee();
    asm volatile("" : : "r"(seen) : "memory"); // a call, not a jump: the callee returns into this file
    return seen;
}
